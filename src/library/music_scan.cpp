// The music folder scan: every sub-folder whose name does not begin with a dot
// is an album, in listing order. Only the music folder's own listing is read;
// no album folder is opened here.
#include <vector>

#include "library/albums_loader.h"
#include "platform/platform.h"

namespace {

bool isAlbumEntry(const platform::FindEntry& entry) {
    return !entry.name.empty() && entry.name[0] != '.' && (entry.attrib & platform::kAttrSubdir);
}

// The names of the album sub-folders of `folder`, in listing order.
std::vector<std::string> albumNamesIn(const std::string& folder) {
    std::vector<std::string> names;
    platform::FindEntry entry;
    platform::FindHandle listing = platform::findFirst(folder, &entry);
    if (listing == platform::kFindFailed) return names;
    do {
        if (isAlbumEntry(entry)) names.push_back(std::move(entry.name));
    } while (platform::findNext(listing, &entry) == 0);
    platform::findClose(listing);
    return names;
}

}  // namespace

void AlbumsLoader::searchPath() {
    // Names first, so the records (large, and many) are made in place at once.
    std::vector<std::string> names = albumNamesIn(musicPath);
    albumList.reserve(albumList.size() + names.size());
    for (std::string& name : names) {
        album found;
        found.folder = pathIn(musicPath, name);
        found.name = std::move(name);
        albumList.push_back(std::move(found));
    }
}
