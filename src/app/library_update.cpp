#include "app/library_update.h"

#include <algorithm>

#include "app/album_orders.h"
#include "app/app_state.h"
#include "app/frame_log.h"
#include "app/mouse.h"
#include "library/albums_loader.h"
#include "library/library_watch.h"
#include "texture/gl_texture.h"
#include "texture/texture_streaming.h"

LibraryWatch* libraryWatch = nullptr;
LibraryIndex* libraryIndex = nullptr;
std::string libraryFolderForPeople;

namespace {

// How often the album folders to watch are named again.
const uint32_t kWatchedAlbumsEveryTicks = 500;

bool musicFolderGone = false;
uint32_t lastNamed = 0;
std::vector<WatchedAlbum> lastWatchedAlbums;

}  // namespace

Selection selectionAfterChange(const std::vector<int>& newIndexOfOld, Selection before, int newCount) {
    if (newCount <= 0) return {};
    const int oldCount = int(newIndexOfOld.size());
    int anchor = std::clamp(before.current, 0, std::max(oldCount - 1, 0));
    int moved = anchor < oldCount ? newIndexOfOld[size_t(anchor)] : -1;
    // The selected album went: the nearest one still there, the next before the previous.
    for (int distance = 1; moved < 0 && distance < oldCount; ++distance) {
        for (int candidate : {anchor + distance, anchor - distance}) {
            if (candidate < 0 || candidate >= oldCount || newIndexOfOld[size_t(candidate)] < 0) continue;
            anchor = candidate;
            moved = newIndexOfOld[size_t(candidate)];
            break;
        }
    }
    if (moved < 0) return {};
    Selection after;
    after.current = moved;
    after.position = std::clamp(before.position + float(moved - anchor), 0.0f, float(newCount - 1));
    return after;
}

void libraryReordered(const std::vector<int>& newIndexOfOld) {
    const int count = albums->getAlbumsCount();
    glTexture* table = new glTexture[size_t(count)]();
    if (coverStreaming) coverStreaming->albumsChanged(newIndexOfOld, table);
    delete[] textures;
    textures = table;
    const Selection after = selectionAfterChange(newIndexOfOld, {current, position}, count);
    rowShifted(after.position - position);
    current = after.current;
    position = after.position;
    const bool playingStays = playing >= 0 && playing < int(newIndexOfOld.size()) && newIndexOfOld[size_t(playing)] >= 0;
    playing = playingStays ? newIndexOfOld[size_t(playing)] : -1;
}

// Names the folders of the albums whose covers are known now, when they changed.
static void nameWatchedAlbums() {
    if (!coverStreaming || now - lastNamed < kWatchedAlbumsEveryTicks) return;
    lastNamed = now;
    std::vector<WatchedAlbum> known = coverStreaming->knownAlbums();
    std::sort(known.begin(), known.end(), [](const WatchedAlbum& a, const WatchedAlbum& b) { return a.key < b.key; });
    if (known == lastWatchedAlbums) return;
    lastWatchedAlbums = known;
    libraryWatch->watchAlbums(known);
}

bool applyLibraryChanges() {
    if (!libraryWatch || !albums) return false;
    nameWatchedAlbums();
    bool redraw = false;
    std::vector<LibraryChange> changes = libraryWatch->take();
    if (changes.empty()) return false;
    FrameLog::beginChange();
    bool listChanged = false;
    for (LibraryChange& change : changes) {
        if (change.listed) {
            std::vector<int> newIndexOfOld;
            if (albums->applyChange(change.albums, &newIndexOfOld)) {
                libraryReordered(newIndexOfOld);
                std::vector<std::string> came;
                for (const FoundAlbum& album : change.albums.added) came.push_back(album.folder);
                albumFoldersChanged(came);
                redraw = listChanged = true;
            }
            if (change.folder.empty() && musicFolderGone != change.musicFolderGone) {
                musicFolderGone = change.musicFolderGone;
                redraw = true;
            }
        }
        for (const std::string& key : change.coverKeys)
            if (coverStreaming) coverStreaming->coverChanged(key);
        albumFoldersChanged(change.coverKeys);  // and their tags may have changed
    }
    changes.clear();  // what the changes hold is given back inside the time taken
    FrameLog::endChange(listChanged);
    return redraw;
}

std::string emptyLibraryLine() {
    return musicFolderGone ? "The music folder " + libraryFolderForPeople + " is not there"
                           : "No albums in " + libraryFolderForPeople;
}
