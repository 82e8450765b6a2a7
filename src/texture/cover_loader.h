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
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "texture/cover_picture.h"

class TagReader;

// Threads to decode with on a machine with `cores` cores: one on two cores
// (the other runs the frame and the software renderer), at most four.
int coverLoaderThreads(unsigned cores);

// One finished request.
struct LoadedCover {
    int album = -1;
    std::string source;   // the picture file, or the audio file holding the picture; "" when there is none
    CoverTexels texels;   // meaningful when source is not empty
};

// Finds album `album`'s cover in `folder` (a picture file, else a picture
// inside one of its audio files), reads and decodes it for a middle
// cover `coverHeight` pixels high. The loader's whole job for one request;
// runs on any thread. Audio tags are read by `tags`' helper process when
// given (in this process otherwise); once the helper has failed on a file,
// the album's other audio files are not tried. `inHandBytes`, when given,
// counts the memory of the picture being decoded while it is.
LoadedCover loadAlbumCover(int album, const std::string& folder, int coverHeight,
                           const std::atomic<bool>* cancel, TagReader* tags = nullptr,
                           std::atomic<size_t>* inHandBytes = nullptr);

// Loader threads that did not end in time at a loader's destruction (held by
// a read that never returns) and were left to end with the process.
int coverLoaderThreadsLeftBehind();

class CoverLoader {
public:
    // Requests more than `reach` albums from the position are dropped; at
    // most `maxWaiting` finished covers wait to be taken before the threads
    // pause. `folders` is the library: album index -> folder.
    CoverLoader(std::vector<std::string> folders, int threads, int reach, int maxWaiting = 3);
    // The same with `folderOf` giving album index -> folder for `count` albums,
    // so that a big library needs no string per album up front. It is called
    // with the loader's lock held and never once the destructor has begun, so
    // it may read a library that outlives the loader.
    CoverLoader(int count, std::function<std::string(int)> folderOf, int threads, int reach, int maxWaiting = 3);
    // Cancels the work in hand and returns within a fraction of a second: a
    // thread held in the kernel by a dead file system is left behind, and
    // ends with the process.
    ~CoverLoader();
    CoverLoader(const CoverLoader&) = delete;
    CoverLoader& operator=(const CoverLoader&) = delete;

    // Asks for album `album`'s cover (ignored beyond the reach).
    void request(int album, int coverHeight);
    // The position moved to album `base`: re-ranks the queue and drops what
    // has left the reach. Returns the dropped albums.
    std::vector<int> moveTo(int base);
    // Takes the finished cover nearest the position; false when none waits.
    bool takeFinished(LoadedCover* cover);
    // Bytes the finished, not yet taken covers will take as textures, and the
    // memory the decodes in hand hold now.
    size_t waitingBytes() const;
    // True when no request is queued, in hand or finished and waiting.
    bool idle() const;

private:
    CoverLoader(std::shared_ptr<const std::vector<std::string>> folders, int threads, int reach, int maxWaiting);
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::vector<std::thread> threads_;
};
