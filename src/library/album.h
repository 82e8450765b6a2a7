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
    // What the orders other than by name go by (album_order.h).
    int64_t added = 0;          // when the album came, seconds since 1970; 0 not known
    uint32_t artist = 0;        // offset of the album artist from its tags in the name buffer
    uint32_t artistLength = 0;  // 0: the tags name none (or are not read yet)
    int64_t tagsModified = 0;   // its folder's time (platform::modifiedTime) when its tags were read
    int16_t year = 0;           // from its tags; 0 none, or not read yet
    bool tagsRead = false;      // year and artist have been read from its tags
};
