// Cover discovery: an album's cover is the first file in its folder's listing
// whose name does not begin with a dot and ends in jpg, bmp or png (any letter
// case). Each album is looked up once; the answer, found or not, is kept.
#include "library/albums_loader.h"
#include "platform/platform.h"

void AlbumsLoader::initAlbumCover(int i) {
    album& record = albumList[i];
    if (record.coverSearched) return;
    record.cover = searchCover(record.folder);
    record.hasCover = !record.cover.empty();
    record.coverSearched = true;
}

// The cover's full path, or "" when the folder has none or cannot be listed.
std::string AlbumsLoader::searchCover(std::string folder) {
    platform::FindEntry entry;
    platform::FindHandle listing = platform::findFirst(folder, &entry);
    if (listing == platform::kFindFailed) return "";
    std::string cover;
    do {
        if (entry.name.empty() || entry.name[0] == '.') continue;
        if (entry.attrib & platform::kAttrSubdir) continue;
        if (!is_cover(entry.name)) continue;
        cover = pathIn(folder, entry.name);
        break;
    } while (platform::findNext(listing, &entry) == 0);
    platform::findClose(listing);
    return cover;
}

// Looks at the last three characters only: no dot needed, letter case ignored.
bool AlbumsLoader::is_cover(std::string name) {
    if (name.size() < 3) return false;
    std::string ending = name.substr(name.size() - 3);
    for (char& c : ending)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ending == "jpg" || ending == "bmp" || ending == "png";
}
