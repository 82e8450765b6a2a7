// Cover discovery: which picture file in an album folder is its cover. The
// search itself is the library's searchCover and is_cover (albums_loader.h);
// this is the rank they order pictures by, a pure function of the name.
#pragma once

#include <string>

// How much a picture file's name says it is the front of the box:
//   0  the name without its ending is cover, folder, front, album or albumart,
//      or holds the word front, or holds the word cover and none of rank 2's;
//   2  holds the word back, booklet, cd, disc, inlay, tray, inside or small
//      (the AlbumArtSmall thumbnails);
//   1  everything else.
// Words are runs of letters, also split where a small letter meets a capital
// ("AlbumArtSmall" is album, art, small); letter case is ignored.
int coverRank(const std::string& name);
