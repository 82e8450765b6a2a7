// One album of the music folder: a small fixed-size record, copied by value.
// Its texts live in the library's name buffer, so a scan of a hundred
// thousand albums makes no string per album; paths are built when asked.
#pragma once

#include <cstdint>

struct album {
    uint32_t name = 0;          // offset of the caption in the library's name buffer, NUL-terminated
    uint32_t nameLength = 0;    // in bytes
    uint32_t folder = 0;        // offset of the folder's path below the music folder, NUL-terminated
    uint32_t folderLength = 0;  // (the same text as the caption at depth 1)
    // The design's own cover lookup (AlbumsLoader::initAlbumCover), kept off the live path.
    int32_t cover = -1;         // index of the cover's path among the library's found covers; -1 none
    bool hasCover = false;      // the cover lookup found a picture
    bool coverSearched = false; // the cover lookup has run, whatever it found
    bool loaded = false;        // the cover is shown or refused for good; the cover streaming's to write,
                                // kept for the design: nothing on the live path reads it
};
