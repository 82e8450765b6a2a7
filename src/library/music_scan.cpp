// The music folder scan. Albums are the folders `depth` levels below the music
// folder (1: its own sub-folders, the classic layout; 2: Artist/Album). Hidden
// names are skipped at every level, and each level is taken in listing order,
// so the albums come in path order. At depth 1 only the music folder's own
// listing is read; no album folder is opened here. Deeper, each folder above
// the album level is listed once to find its sub-folders (a few at once), and
// one that holds music, pictures or disc folders itself (an album lying
// directly at the top) is taken as an album instead of being descended into.
// The walk itself, and its rules, are the library's one walk (library_walk.h).
#include <cstdint>
#include <vector>

#include "library/albums_loader.h"
#include "library/folder_rules.h"

void AlbumsLoader::searchPath() {
    walkFolders(musicPath, depth, "", foldersSeen);
    readAlbums();
}

void AlbumsLoader::readAlbums() {
    albumsKnown(foldersSeen, depth, "", [this](std::string_view caption, std::string_view key) { addAlbum(caption, key); });
}

FolderMemory AlbumsLoader::takeFoldersSeen() { return std::move(foldersSeen); }

void AlbumsLoader::addAlbum(std::string_view caption, std::string_view relative) {
    album found;
    if (makeRecord(caption, relative, &found)) albumList.push_back(found);
}

bool AlbumsLoader::makeRecord(std::string_view caption, std::string_view relative, album* record) {
    if (names.size() + caption.size() + relative.size() + 2 > UINT32_MAX) return false;  // offsets are 32-bit: 4 GiB of names
    record->name = addText(caption);
    record->nameLength = static_cast<uint32_t>(caption.size());
    const bool same = (caption.data() == relative.data() && caption.size() == relative.size()) || caption == relative;
    record->folder = same ? record->name : addText(relative);  // one text at depth 1
    record->folderLength = static_cast<uint32_t>(relative.size());
    return true;
}

uint32_t AlbumsLoader::addText(std::string_view text) {
    const uint32_t offset = static_cast<uint32_t>(names.size());
    names.append(text);
    names += '\0';
    return offset;
}
