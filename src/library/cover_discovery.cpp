// Cover discovery: an album's cover is the first file in its folder's listing
// whose name does not begin with a dot and ends in jpg, bmp or png (any letter
// case). Each album is looked up once; the answer, found or not, is kept.
#include "library/cover_discovery.h"

#include "library/albums_loader.h"
#include "platform/platform.h"

void AlbumsLoader::initAlbumCover(int i) {
    album& record = albumList[i];
    if (record.coverSearched) return;
    record.cover = searchCover(record.folder);
    record.hasCover = !record.cover.empty();
    record.coverSearched = true;
}

std::string AlbumsLoader::searchCover(std::string folder) { return findCoverFile(folder); }

bool AlbumsLoader::is_cover(std::string name) { return isCoverName(name); }

std::string findCoverFile(const std::string& folder) {
    platform::FindEntry entry;
    platform::FindHandle listing = platform::findFirst(folder, &entry);
    if (listing == platform::kFindFailed) return "";
    std::string cover;
    do {
        if (entry.name.empty() || entry.name[0] == '.') continue;
        if (entry.attrib & platform::kAttrSubdir) continue;
        if (!isCoverName(entry.name)) continue;
        cover.reserve(folder.size() + 1 + entry.name.size());
        cover += folder;
        cover += platform::kSeparator;
        cover += entry.name;
        break;
    } while (platform::findNext(listing, &entry) == 0);
    platform::findClose(listing);
    return cover;
}

// Looks at the last three characters only: no dot needed, letter case ignored.
bool isCoverName(const std::string& name) {
    if (name.size() < 3) return false;
    std::string ending = name.substr(name.size() - 3);
    for (char& c : ending)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ending == "jpg" || ending == "bmp" || ending == "png";
}
