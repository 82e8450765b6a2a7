// The program's entry and the start-up rules that can be checked on their own.
#pragma once

#include <string>

#include "library/album_probe.h"

// Start-up, the frame loop and shutdown. Returns 0 after a normal run and 1
// when the music folder holds no album (no window is then opened). C linkage,
// as the media library declares it where it provides the entry (Windows).
extern "C" int SDL_main(int argc, char** argv);

// True when the process must end with _Exit, skipping static destructors:
// the scan thread still runs, or the cover loader left a thread behind, and
// either may be held in the kernel by a dead folder.
bool mustEndWithoutTeardown(bool scanStillRunning, int loaderThreadsLeftBehind);

// The music folder as the library gets it: one trailing separator removed
// (only one: "a//" gives "a/"), but not a root's ("/", and on Windows "D:\"),
// which without it would name the working folder.
std::string musicFolderFromText(const std::string& text);

// A settings value that begins with "~/" taken relative to `home`.
std::string expandHome(const std::string& value, const std::string& home);

// The settings default for the music folder on this system: ~/Music.
std::string defaultMusicFolder(const std::string& home);

// The message of a music folder without albums: the folder as given and why
// it holds none, then what a music folder is and what to do, naming the
// settings file.
std::string noMusicFolderMessage(const std::string& folderText, const std::string& settingsFile,
                                 NoAlbumReason reason = NoAlbumReason::NoAlbums);
