// Cover discovery: which picture file in an album folder is its cover.
// Pure functions of the folder's listing, safe on any thread: they touch no
// library state, so a loader thread can call them while the frame thread reads
// the library.
#pragma once

#include <string>

// The cover's full path (folder + separator + file name), or "" when the
// folder holds no picture file or cannot be listed. Lists the folder once.
// Among the picture files the one of the best coverRank wins; within a rank
// the listing order (by name) decides.
std::string findCoverFile(const std::string& folder);

// Whether a file of this name is taken as a picture: looks at the name alone.
// Names ending in jpg, bmp, png, jpeg or webp, in any letter case.
bool isCoverName(const std::string& name);

// How much a picture file's name says it is the front of the box:
//   0  the name without its ending is cover, folder, front, album or albumart,
//      or holds the word front, or holds the word cover and none of rank 2's;
//   2  holds the word back, booklet, cd, disc, inlay, tray, inside or small
//      (the AlbumArtSmall thumbnails);
//   1  everything else.
// Words are runs of letters, also split where a small letter meets a capital
// ("AlbumArtSmall" is album, art, small); letter case is ignored.
int coverRank(const std::string& name);
