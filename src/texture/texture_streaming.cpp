#include "texture/texture_streaming.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "app/pacing.h"
#include "library/albums_loader.h"
#include "render/cover_strip.h"
#include "render/projection.h"
#include "texture/cover_picture.h"
#include "texture/gl_texture.h"
#include "texture/texture_budget.h"

CoverStreaming* coverStreaming = nullptr;

namespace {

// Requests further than this from the position are dropped: the idle walk's reach.
const int kRequestReach = kIdleTextureRadius;

}  // namespace

CoverStreaming::CoverStreaming(AlbumsLoader& library, glTexture* table, size_t budgetBytes, int threads)
    : library_(library), table_(table), budget_(budgetBytes), albums_(size_t(library.getAlbumsCount())),
      // Folder paths are built when a cover is asked for: a string per album
      // up front would cost a big library's start-up a copy of every name.
      loader_(library.getAlbumsCount(), [&library](int album) { return library.getAlbumFolder(album); }, threads,
              kRequestReach) {}

CoverStreaming::~CoverStreaming() = default;

bool CoverStreaming::step(float position, int n, int coverHeight) {
    const int base = int(position);
    const int count = int(albums_.size());
    for (int album : loader_.moveTo(base)) {
        AlbumCover& cover = albums_[size_t(album)];
        if (cover.phase == Phase::Requested) cover.phase = Phase::NotLoaded;
        cover.redecoding = false;
    }
    for (int k = 0; k < n; k = k > 0 ? -k : 1 - k) {
        const int album = base + k;
        if (album < 0 || album >= count) continue;
        AlbumCover& cover = albums_[size_t(album)];
        if (cover.phase == Phase::NotLoaded) {
            loader_.request(album, coverHeight);
            cover.phase = Phase::Requested;
        } else if (cover.phase == Phase::Shown && !cover.redecoding &&
                   table_[album].width != coverTextureEdge(coverHeight, cover.sourceWidth, cover.sourceHeight)) {
            loader_.request(album, coverHeight);  // the window changed size: decode again to suit it
            cover.redecoding = true;
        }
    }
    bool shownInStrip = false;
    LoadedCover finished;
    while (loader_.takeFinished(&finished)) {
        if (!apply(finished)) continue;
        const StripRange strip = stripRange(position, count);
        shownInStrip = finished.album >= strip.first && finished.album < strip.end;
        break;  // one upload per call
    }
    keepWithinBudget(position);
    return shownInStrip;
}

// Records what the loader found; true when a texture was uploaded.
bool CoverStreaming::apply(LoadedCover& finished) {
    if (finished.album < 0 || size_t(finished.album) >= albums_.size()) return false;
    const int album = finished.album;
    AlbumCover& cover = albums_[size_t(album)];
    if (cover.phase != Phase::Requested && !cover.redecoding) return false;  // dropped or released meanwhile
    const bool replacing = cover.redecoding;
    cover.redecoding = false;
    if (finished.source.empty()) {
        cover.phase = Phase::NoCover;
        return false;
    }
    if (!finished.texels.usable()) {
        if (replacing) return false;  // keep the texture there is
        std::fprintf(stderr, "vellora: cannot show the cover %s: %s\n", finished.source.c_str(),
                     finished.texels.failure.c_str());
        cover.phase = Phase::Refused;
        library_.setAlbumLoaded(album, true);
        return false;
    }
    uint32_t name = 0;
    if (!uploadCoverTexels(finished.texels, &name)) {
        if (replacing) return false;
        std::fprintf(stderr, "vellora: cannot make a texture of the cover %s\n", finished.source.c_str());
        cover.phase = Phase::Refused;
        library_.setAlbumLoaded(album, true);
        return false;
    }
    if (replacing) release(album);
    table_[album].texID = name;
    table_[album].width = table_[album].height = finished.texels.edge;
    table_[album].pixelFormat = GL_RGB;
    table_[album].bitsPerPixel = 24;
    cover.phase = Phase::Shown;
    cover.sourceWidth = finished.texels.sourceWidth;
    cover.sourceHeight = finished.texels.sourceHeight;
    cover.bytes = finished.texels.textureBytes();
    residentBytes_ += cover.bytes;
    library_.setAlbumLoaded(album, true);
    return true;
}

// Deletes the album's texture; the album is "not loaded" again.
void CoverStreaming::release(int album) {
    AlbumCover& cover = albums_[size_t(album)];
    if (table_[album].texID != 0) glDeleteTextures(1, &table_[album].texID);
    table_[album].texID = 0;
    table_[album].width = table_[album].height = 0;
    residentBytes_ -= cover.bytes;
    cover.bytes = 0;
    cover.phase = Phase::NotLoaded;
    library_.setAlbumLoaded(album, false);
}

void CoverStreaming::keepWithinBudget(float position) {
    const size_t waiting = loader_.waitingBytes();
    if (residentBytes_ + waiting <= budget_) return;
    std::vector<ResidentCover> resident;
    for (size_t i = 0; i < albums_.size(); ++i)
        if (albums_[i].phase == Phase::Shown) resident.push_back({int(i), albums_[i].bytes});
    const StripRange strip = stripRange(position, int(albums_.size()));
    for (int album : chooseEvictions(resident, waiting, budget_, position, strip.first, strip.end)) {
        albums_[size_t(album)].redecoding = false;
        release(album);
    }
}

bool loadClosestTexture(int n) {
    if (!coverStreaming) return false;
    return coverStreaming->step(position, n, middleCoverPixelHeight(screenWidth, screenHeight));
}

bool uploadCoverTexels(const CoverTexels& texels, uint32_t* texID) {
    *texID = 0;
    if (!texels.usable() || texels.levels.empty()) return false;
    for (int stale = 0; stale < 16 && glGetError() != GL_NO_ERROR; ++stale) {
    }  // errors left by earlier calls must not be taken for this upload's
    glGenTextures(1, texID);
    if (*texID == 0) return false;
    glBindTexture(GL_TEXTURE_2D, *texID);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST);

    // The levels are tightly packed: a 1- or 2-texel row is not 4-byte aligned.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    int edge = texels.edge;
    for (size_t level = 0; level < texels.levels.size(); ++level, edge = edge > 1 ? edge / 2 : 1)
        glTexImage2D(GL_TEXTURE_2D, GLint(level), GL_RGB, edge, edge, 0, GL_RGB, GL_UNSIGNED_BYTE,
                     texels.levels[level].data());
    glPopClientAttrib();

    if (glGetError() == GL_NO_ERROR) return true;
    glDeleteTextures(1, texID);
    *texID = 0;
    return false;
}

char* ToCString(std::string& text) {
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}
