// Shared state for tests of the shell: the globals put back to their start
// values, and a real library of generated empty album folders.
#pragma once

#include <functional>
#include <string>

#include "support/temp_dir.h"

// Every global of app_state.h back to its value before start-up; deletes a
// library left in `albums` (textures and the font are the caller's business).
void resetAppState();

// Makes `count` album folders named "album 00000", "album 00001", ... in a
// folder `folderName` below `dir` (so listing order is index order) and
// returns the music folder's path. Empty, unless `fill` puts files into album
// i's folder.
std::string makeMusicFolder(const TempDir& dir, int count,
                            const std::function<void(const std::string& folder, int i)>& fill = {},
                            const std::string& folderName = "music");

// resetAppState, then `albums` = a library of `count` generated albums with
// the given player path (by default one that is not there, so that a
// hand-over never starts a real player that happens to be installed).
void useGeneratedLibrary(const TempDir& dir, int count, const std::string& player = "/nonexistent/player");
