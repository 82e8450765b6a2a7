// Turns cover pictures into textures on the frame thread: hands the albums
// near the position to the cover loader, nearest first, uploads at most one
// finished cover per call, and keeps the textures within their memory budget.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "texture/cover_loader.h"

class AlbumsLoader;
struct CoverTexels;
struct glTexture;

class CoverStreaming {
public:
    // Covers for `library`'s albums go into `table` (one record per album,
    // same index), within `budgetBytes` of texture memory, decoded by
    // `threads` loader threads. Neither the library nor the table is owned;
    // both must outlive this object. Textures left in the table at the end are
    // the table owner's to delete.
    CoverStreaming(AlbumsLoader& library, glTexture* table, size_t budgetBytes, int threads);
    ~CoverStreaming();  // stops the loader at once

    // One pass at scroll position `position` with the middle cover
    // `coverHeight` pixels high: asks for the covers at offsets 0, +1, -1,
    // +2, ... +(n-1), -(n-1) that are not there yet (or whose texture size no
    // longer suits the window), applies the finished covers the loader has
    // (at most one upload), and releases the farthest textures while over the
    // budget. Returns true when it uploaded a cover into the drawn strip.
    // Needs the GL context.
    bool step(float position, int n, int coverHeight);

    // Bytes the resident cover textures take, every level at 4 bytes a texel.
    size_t residentBytes() const { return residentBytes_; }
    // True when the loader has nothing queued, in hand or waiting.
    bool loaderIdle() const { return loader_.idle(); }

private:
    enum class Phase : uint8_t { NotLoaded, Requested, Shown, NoCover, Refused };
    struct AlbumCover {
        Phase phase = Phase::NotLoaded;
        bool redecoding = false;  // shown, and a better-sized decode is on its way
        int sourceWidth = 0, sourceHeight = 0;
        size_t bytes = 0;
    };

    bool apply(LoadedCover& cover);
    void release(int album);
    void keepWithinBudget(float position);

    AlbumsLoader& library_;
    glTexture* table_;
    size_t budget_;
    std::vector<AlbumCover> albums_;
    size_t residentBytes_ = 0;
    CoverLoader loader_;
};

// The program's cover streaming, owned by the entry; nullptr outside the loop.
extern CoverStreaming* coverStreaming;

// The frame loop's hook: coverStreaming's step at the current position for
// the current window. False when there is no streaming.
bool loadClosestTexture(int n);

// Makes a new 2-D texture in *texID from the cover's levels (glTexImage2D
// per level, nearest filtering) and leaves it bound. False, with *texID 0,
// when GL could not build it. Needs the GL context.
bool uploadCoverTexels(const CoverTexels& texels, uint32_t* texID);

// A new[]-allocated, NUL-terminated copy of `text`; the caller delete[]s it.
char* ToCString(std::string& text);
