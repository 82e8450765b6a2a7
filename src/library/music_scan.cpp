// The music folder scan. Albums are the folders `depth` levels below the music
// folder (1: its own sub-folders, the classic layout; 2: Artist/Album). Names
// beginning with a dot are skipped at every level, and each level is taken in
// listing order, so the albums come in path order. At depth 1 only the music
// folder's own listing is read; no album folder is opened here. Deeper, each
// folder above the album level is listed once to find its sub-folders, and one
// that holds music or pictures itself (an album lying directly at the top) is
// taken as an album instead of being descended into.
#include <cstdint>
#include <vector>

#include "library/albums_loader.h"
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
        else if (!contents.holdsMedia) contents.holdsMedia = isAudioName(entry.name) || AlbumsLoader::is_cover(entry.name);
    } while (platform::findNext(listing, &entry) == 0);
    platform::findClose(listing);
    return contents;
}

}  // namespace

void AlbumsLoader::searchPath() {
    platform::FindEntry entry;
    platform::FindHandle listing = platform::findFirst(musicPath, &entry);
    if (listing == platform::kFindFailed) return;
    std::vector<std::string> deeper;  // the top folders, when albums lie below them
    do {
        if (!isVisible(entry) || !(entry.attrib & platform::kAttrSubdir)) continue;
        if (depth == 1) addAlbum(entry.name);  // straight from the listing: no string per album
        else deeper.push_back(entry.name);
    } while (platform::findNext(listing, &entry) == 0);
    platform::findClose(listing);
    for (const std::string& name : deeper) searchFolder(name, name, 1);
}

void AlbumsLoader::searchFolder(const std::string& relative, const std::string& caption, int level) {
    FolderContents contents = contentsOf(pathIn(musicPath, relative));
    if (contents.holdsMedia) {
        addAlbum(caption, relative);
        return;
    }
    for (const std::string& sub : contents.folders) {
        const std::string subRelative = pathIn(relative, sub);
        std::string subCaption;
        subCaption.reserve(caption.size() + 3 + sub.size());
        subCaption += caption;
        subCaption += " - ";
        subCaption += sub;
        if (level + 1 >= depth) addAlbum(subCaption, subRelative);
        else searchFolder(subRelative, subCaption, level + 1);
    }
}

void AlbumsLoader::addAlbum(const std::string& caption) {
    if (names.size() + caption.size() + 1 > UINT32_MAX) return;  // offsets are 32-bit: 4 GiB of names
    album found;
    found.name = found.folder = addText(caption);
    found.nameLength = found.folderLength = static_cast<uint32_t>(caption.size());
    albumList.push_back(found);
}

void AlbumsLoader::addAlbum(const std::string& caption, const std::string& relative) {
    if (names.size() + caption.size() + relative.size() + 2 > UINT32_MAX) return;
    album found;
    found.name = addText(caption);
    found.nameLength = static_cast<uint32_t>(caption.size());
    found.folder = caption == relative ? found.name : addText(relative);
    found.folderLength = static_cast<uint32_t>(relative.size());
    albumList.push_back(found);
}

uint32_t AlbumsLoader::addText(const std::string& text) {
    const uint32_t offset = static_cast<uint32_t>(names.size());
    names.append(text.data(), text.size() + 1);  // with its terminating NUL
    return offset;
}
