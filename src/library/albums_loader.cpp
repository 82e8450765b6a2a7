// The album library: the list the scan fills, and its accessors. Texts live
// in one buffer, so the name pointers handed out stay valid until the library
// next changes; folder paths are built when asked.
#include "library/albums_loader.h"

#include "library/folder_rules.h"
#include "platform/platform.h"

AlbumsLoader::AlbumsLoader(const std::string& musicPath, const std::string& playerPath, int depth)
    : musicPath(musicPath),
      playerPath(playerPath),
      startFolder(platform::workingFolder()),
      depth(clampDepth(depth)) {
    searchPath();
}

AlbumsLoader::AlbumsLoader(const std::string& musicPath, const std::string& playerPath, int depth, FolderMemory known)
    : musicPath(musicPath),
      playerPath(playerPath),
      startFolder(platform::workingFolder()),
      depth(clampDepth(depth)),
      foldersSeen(std::move(known)) {
    readAlbums();
}

AlbumsLoader::~AlbumsLoader() = default;

int AlbumsLoader::getAlbumsCount() { return static_cast<int>(albumList.size()); }

const char* AlbumsLoader::getAlbumName(int i) { return names.data() + albumList[at(i)].name; }

int AlbumsLoader::getAlbumNameLength(int i) { return static_cast<int>(albumList[at(i)].nameLength); }

std::string AlbumsLoader::getAlbumFolder(int i) {
    const album& record = albumList[at(i)];
    return joinPath(musicPath, std::string_view(names).substr(record.folder, record.folderLength));
}

std::string AlbumsLoader::getAlbumKey(int i) {
    const album& record = albumList[at(i)];
    return std::string(names, record.folder, record.folderLength);
}

std::string AlbumsLoader::getAlbumCover(int i) {
    const int cover = albumList[at(i)].cover;
    return cover < 0 ? std::string() : covers[size_t(cover)];
}

bool AlbumsLoader::albumHasCover(int i) {
    if (!albumList[at(i)].coverSearched) initAlbumCover(i);
    return albumList[at(i)].hasCover;
}

bool AlbumsLoader::getAlbumLoaded(int i) { return albumList[at(i)].loaded; }

void AlbumsLoader::setAlbumLoaded(int i, bool value) { albumList[at(i)].loaded = value; }
