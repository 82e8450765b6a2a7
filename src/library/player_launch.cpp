// Handing an album to the music player. The folder goes over absolute, made
// as text from the working folder the music folder was opened in; the player
// and its arguments come from the settings, or from the first default player
// on PATH. Linux starts the words without a shell, its standard error passed
// on by the tag helper; Windows starts the quoted command line.
#include "library/albums_loader.h"
#include "library/tag_reader.h"
#include "platform/platform.h"

void AlbumsLoader::setPlayerArguments(const std::string& arguments) { playerArguments = arguments; }
void AlbumsLoader::setEnqueueArguments(const std::string& arguments) { enqueueArguments = arguments; }
void AlbumsLoader::setEndPlayer(bool endPrevious) { endPlayer = endPrevious; }

platform::ProgramCall AlbumsLoader::playerCall(int i, const std::string& searchPath, platform::PlayerAction action) {
    const std::string folder = platform::absolutePath(getAlbumFolder(i), startFolder);
    platform::PlayerSettings settings;
    settings.program = playerPath;
    settings.arguments = playerArguments;
    settings.enqueueArguments = enqueueArguments;
    settings.endPrevious = endPlayer;
    platform::ProgramCall call = platform::playerCall(settings, action, folder, searchPath);
#ifndef _WIN32
    call.errorRelay = tagHelperPath();
#endif
    return call;
}

bool AlbumsLoader::playAlbum(int i, PlayerFailure* failure, platform::PlayerAction action, PlayerRuns* runs) {
    const platform::ProgramCall call = playerCall(i, platform::environmentValue("PATH"), action);
    if (runs && runs->playing && call.endsPrevious && call.cannotEnqueue.empty()) runs->playing->end();
    std::string why;
    std::unique_ptr<platform::StartedProgram> started;
    if (platform::startProgram(call, &why, &started)) {
        if (runs) {
            runs->last = std::move(started);
            runs->lastPlayer = call.player;
            runs->lastCommandLine = platform::commandLineForPeople(call);
            if (action == platform::PlayerAction::Play || !runs->playing || runs->playing->ended(nullptr))
                runs->playing = runs->last;
        }
        return true;
    }
    if (failure) {
        *failure = PlayerFailure();
        failure->player = call.player;
        failure->reason = why;
        failure->commandLine = platform::commandLineForPeople(call);
        failure->noEnqueue = !call.cannotEnqueue.empty();
    }
    return false;
}
