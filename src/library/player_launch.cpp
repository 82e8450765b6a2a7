// Handing an album to the music player. The quoted command line is kept as the
// text form of the request; the player itself is started without a shell,
// with the album folder as its one argument, byte for byte.
#include "library/albums_loader.h"
#include "platform/platform.h"

std::string AlbumsLoader::playerCommandLine(const std::string& player, const std::string& folder) {
    return "\"" + player + "\" \"" + folder + "\"";
}

void AlbumsLoader::playAlbum(int i) {
    std::string folder = getAlbumFolder(i);
    platform::startProgram(playerPath, folder, playerCommandLine(playerPath, folder));
}
