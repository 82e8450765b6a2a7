// One album of the music folder: a plain record, copied by value.
#pragma once

#include <string>

struct album {
    std::string folder;          // music folder + separator + name; never ends in a separator
    std::string name;            // the sub-folder's own name, byte for byte
    std::string cover;           // folder + separator + picture file name; "" until found
    bool hasCover = false;       // the cover lookup found a picture
    bool coverSearched = false;  // the cover lookup has run, whatever it found
    bool loaded = false;         // the cover's texture has been dealt with (see setAlbumLoaded)
};
