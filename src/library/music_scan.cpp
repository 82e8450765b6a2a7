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

// `listed` tells a folder that is there (if empty) from one that is not.
FolderContents contentsOf(const std::string& folder, bool* listed = nullptr) {
    FolderContents contents;
    platform::FindEntry entry;
    platform::FindHandle listing = platform::findFirst(folder, &entry);
    if (listed) *listed = listing != platform::kFindFailed || platform::isDirectory(folder);
    if (listing == platform::kFindFailed) return contents;
    do {
        if (!isVisible(entry)) continue;
        if (entry.attrib & platform::kAttrSubdir) contents.folders.push_back(std::move(entry.name));
        else if (!contents.holdsMedia) contents.holdsMedia = isAudioName(entry.name) || AlbumsLoader::is_cover(entry.name);
    } while (platform::findNext(listing, &entry) == 0);
    platform::findClose(listing);
    return contents;
}

std::string pathIn(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + platform::kSeparator + name;
}

// The albums below the folder `relative` (below musicPath), which stands
// `level` levels down and whose caption so far is `caption`, handed to
// `found` in the library's order. `above` (when given) gets every folder
// above the album level the walk lists, the first one included.
template <typename Found>
bool walkFolder(const std::string& musicPath, int depth, const std::string& relative, const std::string& caption,
                int level, Found found, std::vector<std::string>* above = nullptr) {
    bool listed = false;
    FolderContents contents = contentsOf(pathIn(musicPath, relative), &listed);
    if (contents.holdsMedia) {
        found(caption, relative);
        return listed;
    }
    if (above && listed) above->push_back(relative);
    for (const std::string& sub : contents.folders) {
        const std::string subRelative = pathIn(relative, sub);
        std::string subCaption;
        subCaption.reserve(caption.size() + 3 + sub.size());
        subCaption += caption;
        subCaption += " - ";
        subCaption += sub;
        if (level + 1 >= depth) found(subCaption, subRelative);
        else walkFolder(musicPath, depth, subRelative, subCaption, level + 1, found, above);
    }
    return listed;
}

}  // namespace

AlbumsLoader::FolderListing AlbumsLoader::listBelow(const std::string& musicPath, int depth,
                                                    const std::string& relative) {
    FolderListing listing;
    depth = depth < 1 ? 1 : depth > kMaxDepth ? kMaxDepth : depth;
    const auto found = [&](const std::string& caption, const std::string& folder) {
        listing.albums.push_back({caption, folder});
    };
    if (relative.empty()) {
        // The music folder: its sub-folders are albums, or the tops of albums' paths.
        FolderContents top = contentsOf(musicPath, &listing.listed);
        if (!listing.listed) return listing;
        listing.above.push_back("");
        for (const std::string& name : top.folders) {
            if (depth == 1) found(name, name);
            else walkFolder(musicPath, depth, name, name, 1, found, &listing.above);
        }
        return listing;
    }
    const int level = pathLevel(relative);
    if (level >= depth) return listing;  // an album's own folder: nothing to list
    std::string caption = relative;
    for (size_t at = 0; (at = caption.find(platform::kSeparator, at)) != std::string::npos; at += 3)
        caption.replace(at, 1, " - ");
    listing.listed = walkFolder(musicPath, depth, relative, caption, level, found, &listing.above);
    return listing;
}

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
    walkFolder(musicPath, depth, relative, caption, level, [this](const std::string& caption, const std::string& folder) {
        addAlbum(caption, folder);
    });
}

void AlbumsLoader::addAlbum(const std::string& caption) {
    if (names.size() + caption.size() + 1 > UINT32_MAX) return;  // offsets are 32-bit: 4 GiB of names
    album found;
    found.name = found.folder = addText(caption);
    found.nameLength = found.folderLength = static_cast<uint32_t>(caption.size());
    albumList.push_back(found);
}

void AlbumsLoader::addAlbum(const std::string& caption, const std::string& relative) {
    album found;
    if (makeRecord(caption, relative, &found)) albumList.push_back(found);
}

bool AlbumsLoader::makeRecord(const std::string& caption, const std::string& relative, album* record) {
    if (names.size() + caption.size() + relative.size() + 2 > UINT32_MAX) return false;
    record->name = addText(caption);
    record->nameLength = static_cast<uint32_t>(caption.size());
    record->folder = caption == relative ? record->name : addText(relative);
    record->folderLength = static_cast<uint32_t>(relative.size());
    return true;
}

uint32_t AlbumsLoader::addText(const std::string& text) {
    const uint32_t offset = static_cast<uint32_t>(names.size());
    names.append(text.data(), text.size() + 1);  // with its terminating NUL
    return offset;
}
