// The albums handed to the music player, on the frame thread: the hand-over
// itself (Play replaces what the browser's player plays, Enqueue adds to its
// list), and the first seconds of every program it started, in which a
// failing end is told like a failed start. Nothing here waits for a player.
#pragma once

#include <cstdint>

#include "library/albums_loader.h"

// A start that ends failing this soon (milliseconds) is a failed start.
constexpr uint32_t kPlayerFailWindow = 2000;
// How long a start is watched at most: its window, and the time its first line
// of error output may take to come.
constexpr uint32_t kPlayerWatchTicks = 6000;

// Whether a program that ended so failed to start: it failed (a status other
// than 0, or a signal it was not asked to end by) within kPlayerFailWindow.
bool failedAtOnce(const platform::ProgramEnd& end);

// The failure to tell of `started` (its player and command line) that ended so.
PlayerFailure failureOfEnd(const PlayerFailure& started, const platform::ProgramEnd& end);

// Hands album `index` to the player as `action` at tick `now`: a start that
// fails at once raises the notice.
void handOverAlbum(int index, platform::PlayerAction action, uint32_t now);

// Once a pass: tells of a start that ended failing at once, and forgets the
// starts past their first seconds.
void watchPlayers(uint32_t now);

// Forgets every program started (they run on). For tests.
void forgetPlayers();
