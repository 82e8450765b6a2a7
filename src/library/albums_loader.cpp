// The album library: the list the scan fills once, and its accessors.
#include "library/albums_loader.h"

#include "platform/platform.h"

AlbumsLoader::AlbumsLoader(const std::string& musicPath, const std::string& playerPath, int depth)
    : musicPath(musicPath), playerPath(playerPath), depth(depth < 1 ? 1 : depth > kMaxDepth ? kMaxDepth : depth) {
    searchPath();
}

AlbumsLoader::~AlbumsLoader() = default;

int AlbumsLoader::getAlbumsCount() { return static_cast<int>(albumList.size()); }

const char* AlbumsLoader::getAlbumName(int i) { return albumList[i].name.c_str(); }

int AlbumsLoader::getAlbumNameLength(int i) { return static_cast<int>(albumList[i].name.size()); }

std::string AlbumsLoader::getAlbumFolder(int i) { return albumList[i].folder; }

std::string AlbumsLoader::getAlbumCover(int i) { return albumList[i].cover; }

bool AlbumsLoader::albumHasCover(int i) {
    if (!albumList[i].coverSearched) initAlbumCover(i);
    return albumList[i].hasCover;
}

bool AlbumsLoader::getAlbumLoaded(int i) { return albumList[i].loaded; }

void AlbumsLoader::setAlbumLoaded(int i, bool value) { albumList[i].loaded = value; }

std::string AlbumsLoader::pathIn(const std::string& folder, const std::string& name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    path += platform::kSeparator;
    path += name;
    return path;
}
