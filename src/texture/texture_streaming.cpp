#include "texture/texture_streaming.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "library/albums_loader.h"
#include "library/strip_range.h"
#include "platform/log_text.h"
#include "platform/platform.h"
#include "texture/cover_picture.h"
#include "texture/cover_requests.h"
#include "texture/gl_texture.h"
#include "texture/texture_budget.h"

CoverStreaming* coverStreaming = nullptr;

namespace {

// Finished covers that may wait for the frame thread: the four a window's
// first frames show, so that covers decoded together (from thumbnails) go up
// in one frame.
const int kFinishedWaiting = 4;

}  // namespace

CoverStreaming::CoverStreaming(AlbumsLoader& library, glTexture* table, size_t budgetBytes, int reach, int threads,
                               ThumbnailCache* thumbnails)
    : library_(library),
      table_(table),
      budget_(budgetBytes),
      reach_(reach),
      loader_(threads, reach, kFinishedWaiting, thumbnails) {}

CoverStreaming::~CoverStreaming() = default;

// The state of the album at `index`, made (not loaded) on first use.
std::pair<const std::string, CoverStreaming::AlbumCover>& CoverStreaming::entryAt(int index) {
    auto& entry = *covers_.try_emplace(library_.getAlbumKey(index)).first;
    entry.second.index = index;
    return entry;
}

// Hands the album to the loader; it counts as requested only when the loader took it.
bool CoverStreaming::ask(const std::string& key, const AlbumCover& cover, int coverHeight) {
    return loader_.request(key, library_.getAlbumFolder(cover.index), cover.index, coverHeight);
}

bool CoverStreaming::step(float position, int n, int coverHeight) {
    const bool opening = !stepped_, waitForNearest = opening && askedEarly_;
    stepped_ = true;
    requestNear(position, n, coverHeight);
    // Finished covers go up nearest first: the first whatever its size, more
    // while the step's upload budget lasts, so that covers decoded at once
    // (from thumbnails) do not wait a frame each.
    const int count = library_.getAlbumsCount();
    bool shownInStrip = false;
    const UploadBudget& budget = opening ? kOpeningUploadBudget : kStepUploadBudget;
    const uint32_t started = platform::ticks();
    int uploads = 0;
    size_t uploadedBytes = 0;
    LoadedCover finished;
    for (;;) {
        while (loader_.takeFinished(&finished,
                                    uploadRoom(budget, uploads, uploadedBytes, platform::ticks() - started))) {
            const int shown = apply(finished);
            if (shown < 0) continue;
            ++uploads;
            uploadedBytes += finished.texels.textureBytes();
            const StripRange strip = stripRange(position, count);
            if (shown >= strip.first && shown < strip.end) shownInStrip = true;
        }
        if (!waitForNearest || platform::ticks() - started >= kOpeningCoverWaitTicks ||
            !nearestOnTheirWay(position))
            break;
        platform::delay(1);
    }
    keepWithinBudget(position);
    return shownInStrip;
}

// Whether one of the four albums nearest the position (0, +1, -1, +2, ...,
// those the library has) has its cover on its way.
bool CoverStreaming::nearestOnTheirWay(float position) const {
    const int base = int(position), count = library_.getAlbumsCount();
    int looked = 0;
    for (int k = 0; looked < 4 && looked < count; k = k > 0 ? -k : 1 - k) {
        if (base + k < 0 || base + k >= count) continue;
        ++looked;
        const auto found = covers_.find(library_.getAlbumKey(base + k));
        if (found != covers_.end() && found->second.phase == Phase::Requested) return true;
    }
    return false;
}

void CoverStreaming::requestNear(float position, int n, int coverHeight) {
    if (!stepped_) askedEarly_ = true;
    const int base = int(position);
    const int count = library_.getAlbumsCount();
    coverHeight_ = coverHeight;
    if (base != lastBase_) forgetFarMissing(base);
    lastBase_ = base;
    for (const std::string& key : loader_.moveTo(base)) {
        auto found = covers_.find(key);
        if (found == covers_.end()) continue;
        AlbumCover& cover = found->second;
        if (cover.phase == Phase::Requested) cover.phase = Phase::NotLoaded;
        cover.redecoding = false;  // a stale cover stays stale: asked for again when near
        cover.recheck = false;
        if (cover.phase == Phase::NotLoaded) covers_.erase(found);  // nothing of it is kept
    }
    if (reloadStrip_) {
        // After a lost context: the strip's covers that had a texture, nearest
        // first, as far as the loader reaches; the walk below brings the rest.
        reloadStrip_ = false;
        const StripRange strip = stripRange(position, count);
        for (int k = 0; k <= reach_; k = k > 0 ? -k : 1 - k) {
            const int index = base + k;
            if (index < strip.first || index >= strip.end) continue;
            auto found = covers_.find(library_.getAlbumKey(index));
            if (found == covers_.end() || found->second.phase != Phase::NotLoaded) continue;
            if (ask(found->first, found->second, coverHeight)) found->second.phase = Phase::Requested;
        }
    }
    for (int k = 0; k < n; k = k > 0 ? -k : 1 - k) {
        const int index = base + k;
        if (index < 0 || index >= count) continue;
        auto& [key, cover] = entryAt(index);
        if (cover.phase == Phase::NotLoaded) {
            if (ask(key, cover, coverHeight)) cover.phase = Phase::Requested;
        } else if (cover.phase == Phase::Shown && !cover.redecoding &&
                   (cover.stale || cover.edge != coverTextureEdge(coverHeight, cover.sourceWidth, cover.sourceHeight))) {
            // Its folder changed, or the window changed size: decode again.
            if (ask(key, cover, coverHeight)) cover.redecoding = true;
        }
    }
}

void CoverStreaming::forgetGlNames() {
    for (auto& [key, cover] : covers_) {
        if (cover.texID == 0) continue;  // a request on its way stays on its way
        cover.texID = 0;
        cover.edge = 0;
        residentBytes_ -= cover.bytes;
        cover.bytes = 0;
        // A better-sized decode on its way becomes the cover's load.
        cover.phase = cover.redecoding ? Phase::Requested : Phase::NotLoaded;
        cover.redecoding = false;
        cover.stale = false;
        publish(cover);
    }
    reloadStrip_ = true;
}

// Records what the loader found; the album's index when a texture was
// uploaded, else -1.
int CoverStreaming::apply(LoadedCover& finished) {
    auto found = covers_.find(finished.key);
    if (found == covers_.end()) return -1;  // dropped or released meanwhile
    AlbumCover& cover = found->second;
    if (cover.phase != Phase::Requested && !cover.redecoding) return -1;
    bool staleResult = false;
    if (cover.recheck) {
        // The folder changed after this decode began: its result may be the
        // old cover's, so the album is asked for again (and this one shown
        // only when the loader cannot take the new request).
        cover.recheck = false;
        if (ask(found->first, cover, coverHeight_)) return -1;
        staleResult = true;  // shown for now; asked for again once within reach
    }
    const bool replacing = cover.redecoding;
    cover.redecoding = false;
    cover.stale = staleResult;  // a picture that cannot be shown is not asked for again either
    cover.source = finished.source;
    if (finished.source.empty()) {
        if (replacing) release(cover);  // the picture has gone: so go its texture and its memory
        cover.phase = Phase::NoCover;
        publish(cover);
        return -1;
    }
    uint32_t name = 0;
    if (!finished.texels.usable()) {
        if (replacing) return -1;  // keep the texture there is
        std::fprintf(stderr, "vellora: cannot show the cover %s: %s\n", platform::printable(finished.source).c_str(),
                     platform::printable(finished.texels.failure).c_str());
        cover.phase = Phase::Refused;
        publish(cover);
        return -1;
    }
    if (!uploadCoverTexels(finished.texels, &name)) {
        if (replacing) return -1;
        std::fprintf(stderr, "vellora: cannot make a texture of the cover %s\n",
                     platform::printable(finished.source).c_str());
        cover.phase = Phase::Refused;
        publish(cover);
        return -1;
    }
    if (replacing) release(cover);
    cover.stale = staleResult;  // release forgot it
    cover.texID = name;
    cover.edge = finished.texels.edge;
    cover.phase = Phase::Shown;
    cover.sourceWidth = finished.texels.sourceWidth;
    cover.sourceHeight = finished.texels.sourceHeight;
    cover.bytes = finished.texels.textureBytes();
    residentBytes_ += cover.bytes;
    publish(cover);
    return cover.index;
}

// Deletes the album's texture; the album is "not loaded" again.
void CoverStreaming::release(AlbumCover& cover) {
    if (cover.texID != 0) glDeleteTextures(1, &cover.texID);
    cover.texID = 0;
    cover.edge = 0;
    residentBytes_ -= cover.bytes;
    cover.bytes = 0;
    cover.phase = Phase::NotLoaded;
    cover.stale = false;
    publish(cover);
}

// The design's per-index views of the cover: its texture record and its
// album's loaded flag (set once the cover is shown or refused for good).
void CoverStreaming::publish(const AlbumCover& cover) {
    if (cover.index < 0 || cover.index >= library_.getAlbumsCount()) return;
    glTexture& record = table_[cover.index];
    record.texID = cover.texID;
    record.width = record.height = cover.edge;
    record.pixelFormat = cover.texID != 0 ? GL_RGB : 0;
    record.bitsPerPixel = cover.texID != 0 ? 24 : 0;
    library_.setAlbumLoaded(cover.index, cover.phase == Phase::Shown || cover.phase == Phase::Refused);
}

void CoverStreaming::albumsChanged(const std::vector<int>& newIndexOfOld, glTexture* table) {
    for (auto at = covers_.begin(); at != covers_.end();) {
        AlbumCover& cover = at->second;
        cover.index = movedPlace(newIndexOfOld, cover.index);
        if (cover.index >= 0) {
            ++at;
            continue;
        }
        // The album went: its texture and its memory go with it. Nothing is
        // published: its old index may name another album now.
        if (cover.texID != 0) glDeleteTextures(1, &cover.texID);
        residentBytes_ -= cover.bytes;
        at = covers_.erase(at);
    }
    table_ = table;
    for (const auto& [key, cover] : covers_) publish(cover);
    loader_.renumber(newIndexOfOld);
}

void CoverStreaming::coverChanged(const std::string& key) {
    auto found = covers_.find(key);
    if (found == covers_.end()) return;  // never asked for: the next ask finds the folder as it is
    AlbumCover& cover = found->second;
    switch (cover.phase) {
        case Phase::Shown:
            cover.stale = true;
            if (cover.redecoding) cover.recheck = true;
            else if (ask(key, cover, coverHeight_)) cover.redecoding = true;
            break;
        case Phase::Requested:
            cover.recheck = true;
            break;
        case Phase::NoCover:
        case Phase::Refused:
        case Phase::NotLoaded:
            cover.phase = Phase::NotLoaded;
            publish(cover);
            covers_.erase(found);
            break;
    }
}

std::vector<WatchedAlbum> CoverStreaming::knownAlbums() const {
    std::vector<WatchedAlbum> albums;
    for (const auto& [key, cover] : covers_)
        if (cover.phase != Phase::NotLoaded && cover.phase != Phase::Requested) albums.push_back({key, cover.source});
    return albums;
}

// Albums without a cover far from the position are forgotten, so that their
// folders are looked at again when the row comes back to them, and the
// albums known (and watched) stay near the position.
void CoverStreaming::forgetFarMissing(int base) {
    for (auto at = covers_.begin(); at != covers_.end();) {
        const AlbumCover& cover = at->second;
        if (cover.phase == Phase::NoCover && std::abs(cover.index - base) > reach_) {
            at->second.phase = Phase::NotLoaded;
            publish(at->second);
            at = covers_.erase(at);
        } else {
            ++at;
        }
    }
}

void CoverStreaming::keepWithinBudget(float position) {
    const size_t waiting = loader_.waitingBytes();
    if (residentBytes_ + waiting <= budget_) return;
    std::vector<ResidentCover> resident;
    std::unordered_map<int, std::string> keys;  // index -> key of the resident covers
    for (const auto& [key, cover] : covers_)
        if (cover.phase == Phase::Shown) {
            resident.push_back({cover.index, cover.bytes});
            keys.emplace(cover.index, key);
        }
    const StripRange strip = stripRange(position, library_.getAlbumsCount());
    for (int index : chooseEvictions(resident, waiting, budget_, position, strip.first, strip.end)) {
        auto found = covers_.find(keys[index]);
        found->second.redecoding = false;  // its decode, if any, is dropped when it comes
        release(found->second);
        covers_.erase(found);
    }
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
