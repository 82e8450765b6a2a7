// Turns cover pictures into textures on the frame thread: hands the albums
// near the position to the cover loader, nearest first, uploads finished
// covers within a small budget per call, and keeps the textures within their
// memory budget.
//
// It is the one owner of every cover's state: its texture name and size, how
// far its loading has come, the bytes it takes. That state is kept by album
// key (albums_loader.h), which survives albums being added or removed; the
// design's per-index views of it, the `textures` table and the albums'
// loaded flags, are written here and nowhere else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "library/library_watch.h"
#include "texture/cover_loader.h"

class AlbumsLoader;
struct CoverTexels;
struct glTexture;

class CoverStreaming {
public:
    // Covers for `library`'s albums, shown through `table` (one record per
    // album, same index), within `budgetBytes` of texture memory, decoded by
    // `threads` loader threads, which drop what lies more than `reach` places
    // from the position (the farthest the owner asks for). Neither the library nor the table is owned;
    // both must outlive this object. Textures left in the table at the end are
    // the table owner's to delete. With `thumbnails` (not owned, outliving
    // this object) the loader reads and writes the desktop's thumbnail cache.
    CoverStreaming(AlbumsLoader& library, glTexture* table, size_t budgetBytes, int reach, int threads,
                   ThumbnailCache* thumbnails = nullptr);
    ~CoverStreaming();  // stops the loader at once

    // One pass at scroll position `position` with the middle cover
    // `coverHeight` pixels high: asks for the covers at offsets 0, +1, -1,
    // +2, ... +(n-1), -(n-1) that are not there yet (or whose texture size no
    // longer suits the window), applies the finished covers the loader has
    // (uploads within kStepUploadBudget), and releases the farthest textures while over the
    // budget. After forgetGlNames it first asks again for every cover of the
    // drawn strip within the loader's reach. Returns true when it uploaded a
    // cover into the drawn strip. Needs the GL context.
    bool step(float position, int n, int coverHeight);
    // step's asking alone, without applying anything: needs no GL context,
    // so the loader may begin on the first frame's covers while the window's
    // GL set-up still runs. The first step then waits a little for the
    // nearest four (kOpeningCoverWaitTicks) and uploads them all.
    void requestNear(float position, int n, int coverHeight);

    // The GL context is gone, and every texture name with it: forgets them
    // (nothing to delete), gives their memory back to the budget and marks
    // the covers to load again, the drawn strip's at the next step. A decode
    // on its way is kept and uploaded into the new context. Needs no context.
    void forgetGlNames();

    // The library changed: album `i` now stands at newIndexOfOld[i] (-1:
    // gone), and `table` (one record per album of the changed library) takes
    // the place of the table. The covers of albums gone are deleted; the
    // others keep their textures and show through the new table.
    void albumsChanged(const std::vector<int>& newIndexOfOld, glTexture* table);
    // Album `key`'s folder changed: its cover is looked for again. A cover
    // shown stays until the new one is there, and is remembered as stale
    // until a decode begun after the change replaces it, however far the
    // album is (it is asked for again once within the loader's reach); one
    // on its way is asked for again when it comes; a missing or refused one
    // is asked for at the next step.
    void coverChanged(const std::string& key);
    // The albums whose covers are known now (shown, missing or refused), with
    // the file each cover came from: the folders worth watching for a new
    // cover. At most the budget's worth of shown ones, and the missing ones
    // near the position.
    std::vector<WatchedAlbum> knownAlbums() const;

    // Bytes the resident cover textures take, every level at 4 bytes a texel.
    size_t residentBytes() const { return residentBytes_; }
    // Bytes the finished covers not yet uploaded will take, and the memory
    // of the decodes in hand.
    size_t waitingBytes() const { return loader_.waitingBytes(); }
    // True when the loader has nothing queued, in hand or waiting.
    bool loaderIdle() const { return loader_.idle(); }

private:
    enum class Phase : uint8_t { NotLoaded, Requested, Shown, NoCover, Refused };
    struct AlbumCover {
        int index = 0;  // the album's index in the library: where it is shown in the table
        Phase phase = Phase::NotLoaded;
        bool redecoding = false;  // shown, and a better-sized decode is on its way
        bool recheck = false;     // its folder changed while a decode was on its way: ask again
        bool stale = false;       // shown, but its folder changed since: decoded again once within reach
        std::string source;       // the file the cover came from (a picture, or an audio file); "" none
        uint32_t texID = 0;       // the GL texture name while shown
        int edge = 0;             // the texture's width and height
        int sourceWidth = 0, sourceHeight = 0;
        size_t bytes = 0;
    };

    std::pair<const std::string, AlbumCover>& entryAt(int index);
    bool ask(const std::string& key, const AlbumCover& cover, int coverHeight);
    int apply(LoadedCover& cover);
    void release(AlbumCover& cover);
    void publish(const AlbumCover& cover);
    void keepWithinBudget(float position);
    void forgetFarMissing(int base);
    bool nearestOnTheirWay(float position) const;

    AlbumsLoader& library_;
    glTexture* table_;
    size_t budget_;
    int reach_;  // requests farther than this from the position are dropped
    std::unordered_map<std::string, AlbumCover> covers_;  // by album key; albums never asked for have none
    size_t residentBytes_ = 0;
    bool reloadStrip_ = false;  // forgetGlNames ran: ask for the strip's covers again
    int coverHeight_ = 0;       // the middle cover's height at the last step
    int lastBase_ = -1;         // the position's album at the last step
    bool stepped_ = false;      // a step was taken: the first frame is drawn
    bool askedEarly_ = false;   // covers were asked for before the first step
    CoverLoader loader_;
};

// The program's cover streaming, owned by the entry; nullptr outside the loop.
extern CoverStreaming* coverStreaming;

// Makes a new 2-D texture in *texID from the cover's levels (glTexImage2D
// per level, nearest filtering) and leaves it bound. False, with *texID 0,
// when GL could not build it. Needs the GL context.
bool uploadCoverTexels(const CoverTexels& texels, uint32_t* texID);

// A new[]-allocated, NUL-terminated copy of `text`; the caller delete[]s it.
// Kept for the design: covers are read by path strings, and nothing calls it.
char* ToCString(std::string& text);
