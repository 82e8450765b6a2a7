// Handing an album to the music player. The folder goes over absolute, made
// as text from the working folder the music folder was opened in; the player
// and its arguments come from the settings, or from the first default player
// on PATH. Linux starts the words without a shell; Windows starts the quoted
// command line.
#include "library/albums_loader.h"
#include "platform/platform.h"

void AlbumsLoader::setPlayerArguments(const std::string& arguments) { playerArguments = arguments; }

platform::ProgramCall AlbumsLoader::playerCall(int i, const std::string& searchPath) {
    const std::string folder = platform::absolutePath(getAlbumFolder(i), startFolder);
    return platform::playerCall(playerPath, playerArguments, folder, searchPath);
}

bool AlbumsLoader::playAlbum(int i, PlayerFailure* failure) {
    const platform::ProgramCall call = playerCall(i, platform::environmentValue("PATH"));
    std::string why;
    if (platform::startProgram(call, &why)) return true;
    if (failure) *failure = {call.player, why, call.commandLine};
    return false;
}
