// The music folder scan. Albums are the folders `depth` levels below the music
// folder (1: its own sub-folders, the classic layout; 2: Artist/Album). Names
// beginning with a dot are skipped at every level, and each level is taken in
// listing order, so the albums come in path order. At depth 1 only the music
// folder's own listing is read; no album folder is opened here. Deeper, each
// folder above the album level is listed once to find its sub-folders, and one
// that holds music or pictures itself (an album lying directly at the top) is
// taken as an album instead of being descended into.
#include <vector>

#include "library/albums_loader.h"
#include "library/cover_discovery.h"
#include "library/media_files.h"
#include "platform/platform.h"

namespace {

bool isVisible(const platform::FindEntry& entry) { return !entry.name.empty() && entry.name[0] != '.'; }

struct FolderContents {
    std::vector<std::string> folders;  // visible sub-folders, in listing order
    bool holdsMedia = false;           // a visible audio or picture file lies directly in it
};

FolderContents contentsOf(const std::string& folder) {
    FolderContents contents;
    platform::FindEntry entry;
    platform::FindHandle listing = platform::findFirst(folder, &entry);
    if (listing == platform::kFindFailed) return contents;
    do {
        if (!isVisible(entry)) continue;
        if (entry.attrib & platform::kAttrSubdir) contents.folders.push_back(std::move(entry.name));
        else if (!contents.holdsMedia) contents.holdsMedia = isAudioName(entry.name) || isCoverName(entry.name);
    } while (platform::findNext(listing, &entry) == 0);
    platform::findClose(listing);
    return contents;
}

}  // namespace

void AlbumsLoader::searchPath() {
    // Names first, so the records (large, and many) are made in place at once.
    std::vector<std::string> names = contentsOf(musicPath).folders;
    if (depth == 1) albumList.reserve(albumList.size() + names.size());
    for (std::string& name : names) {
        std::string folder = pathIn(musicPath, name);  // before name is moved away
        searchFolder(std::move(folder), std::move(name), 1);
    }
}

void AlbumsLoader::searchFolder(std::string folder, std::string name, int level) {
    if (level >= depth) {
        addAlbum(std::move(folder), std::move(name));
        return;
    }
    FolderContents contents = contentsOf(folder);
    if (contents.holdsMedia) {
        addAlbum(std::move(folder), std::move(name));
        return;
    }
    for (const std::string& sub : contents.folders) {
        std::string subName;
        subName.reserve(name.size() + 3 + sub.size());
        subName += name;
        subName += " - ";
        subName += sub;
        std::string subFolder = pathIn(folder, sub);
        searchFolder(std::move(subFolder), std::move(subName), level + 1);
    }
}

void AlbumsLoader::addAlbum(std::string folder, std::string name) {
    album found;
    found.folder = std::move(folder);
    found.name = std::move(name);
    albumList.push_back(std::move(found));
}
