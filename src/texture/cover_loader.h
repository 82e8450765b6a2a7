// The cover loader: background threads that find each album's cover in its
// folder, read it and decode it to a texture-sized picture with its mip
// levels, nearest the position first. The frame thread hands out requests and
// takes finished covers; the threads never touch GL or the program's globals.
//
// What the threads share is one object: the request queue and the finished
// covers behind one mutex, a condition variable, and an atomic cancel flag
// that every read and decode checks.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "texture/cover_picture.h"
#include "texture/thumbnail_cache.h"

class TagReader;

// Threads to decode with on a machine with `cores` cores: one on two cores
// (the other runs the frame and the software renderer), at most four.
int coverLoaderThreads(unsigned cores);

// One finished request.
struct LoadedCover {
    std::string key;      // the album, as it was asked for
    int place = 0;        // its place in the row when asked
    std::string source;   // the picture file, or the audio file holding the picture; "" when there is none
    CoverTexels texels;   // meaningful when source is not empty
};

// Finds the cover in album folder `folder` (a picture file, else a picture
// inside one of its audio files), reads and decodes it for a middle cover
// `coverHeight` pixels high. The loader's whole job for one request (the
// result's source and texels); runs on any thread. Audio tags are read by
// `tags`' helper process when given (in this process otherwise); once the
// helper has failed on a file, the album's other audio files are not tried.
// `inHandBytes`, when given, counts the memory of the picture being decoded
// while it is. With `thumbnails`, the cover comes from the thumbnail cache
// when it can, and `pending` gets the thumbnail (or fail entry) to write once
// the cover has been handed on.
LoadedCover loadAlbumCover(const std::string& folder, int coverHeight, const std::atomic<bool>* cancel,
                           TagReader* tags = nullptr, std::atomic<size_t>* inHandBytes = nullptr,
                           ThumbnailCache* thumbnails = nullptr, PendingThumbnail* pending = nullptr);

// Loader threads that did not end in time at a loader's destruction (held by
// a read that never returns) and were left to end with the process.
int coverLoaderThreadsLeftBehind();

class CoverLoader {
public:
    // Requests more than `reach` places from the position are dropped; at
    // most `maxWaiting` finished covers wait to be taken before the threads
    // pause. Every request brings its album's folder, so the threads never
    // read the library, which may change while they work. With `thumbnails`
    // (not owned; it must outlive the loader) covers go through the
    // thumbnail cache, and the thumbnails are written once no request waits
    // and the finished covers have been taken.
    CoverLoader(int threads, int reach, int maxWaiting = 3, ThumbnailCache* thumbnails = nullptr);
    // Cancels the work in hand and returns within a fraction of a second: a
    // thread held in the kernel by a dead file system is left behind, and
    // ends with the process.
    ~CoverLoader();
    CoverLoader(const CoverLoader&) = delete;
    CoverLoader& operator=(const CoverLoader&) = delete;

    // Asks for the cover of album `key` in `folder`, which stands at `place`
    // in the row. True when it was queued (or an earlier request for the
    // album updated); false, and nothing will come of it, beyond the reach.
    bool request(const std::string& key, const std::string& folder, int place, int coverHeight);
    // The position moved to place `base`: re-ranks the queue and drops what
    // has left the reach. Returns the dropped albums' keys.
    std::vector<std::string> moveTo(int base);
    // The albums moved (CoverRequestQueue::renumber): queued and finished
    // covers follow their albums; those of albums gone are dropped.
    void renumber(const std::vector<int>& newIndexOfOld);
    // Takes the finished cover nearest the position; false when none waits,
    // or when its texture would take more than `maxBytes` (a cover without a
    // usable picture takes none).
    bool takeFinished(LoadedCover* cover, size_t maxBytes = SIZE_MAX);
    // Bytes the finished, not yet taken covers will take as textures, and the
    // memory the decodes in hand hold now.
    size_t waitingBytes() const;
    // True when no request is queued, in hand or finished and waiting.
    bool idle() const;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::vector<std::thread> threads_;
};
