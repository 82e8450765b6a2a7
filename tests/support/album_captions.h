// The captions of a library's albums in the row's order: what a test compares
// a library with.
#pragma once

#include <string>
#include <vector>

#include "library/albums_loader.h"

inline std::vector<std::string> captions(AlbumsLoader& albums) {
    std::vector<std::string> row;
    for (int i = 0; i < albums.getAlbumsCount(); ++i) row.push_back(albums.getAlbumName(i));
    return row;
}
