// Finding the music player on Windows when the settings name none.
#pragma once

#include <string>

#include "platform/platform.h"

namespace platform {

// The first of defaultPlayers() that is installed, and the program file
// found for it; `player` nullptr (and `tried` naming them for a person) when
// none is. An absolute entry is taken where it stands; any other is a folder
// and program under Program Files ("VideoLAN\vlc\vlc.exe"), looked for as
// registered under App Paths by its file name (the user's, then the
// machine's, 64-bit and 32-bit), then in that folder under Program Files
// (64-bit and 32-bit) and the user's own %LOCALAPPDATA%\Programs.
struct FoundPlayer {
    const DefaultPlayer* player = nullptr;
    std::string program;
    std::string tried;
};
FoundPlayer findDefaultPlayer();

}  // namespace platform
