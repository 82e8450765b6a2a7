// A music player that cannot be started is said twice: one line on standard
// error, and a notice near the top of the window for a few seconds, saying
// which player, why, and which setting in which file chooses it. The texts
// are pure functions; the notice itself is frame-thread state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "library/albums_loader.h"

constexpr uint32_t kPlayerNoticeTicks = 5000;  // how long the notice stands

struct PlayerNotice {
    std::vector<std::string> lines;  // UTF-8 paragraphs, wrapped to the window as drawn
    uint32_t since = 0;              // tick at which it was raised
};

// The settings file as the messages name it: under `home` as "~/...".
std::string settingsFileForPeople(const std::string& path, const std::string& home);

// The line for standard error, newline included:
// vellora: cannot start "mpv" "/music/Album": not found on PATH; set musicplayer in FILE to choose the player
std::string playerFailureLine(const PlayerFailure& failure, const std::string& settingsFile);

// The notice's two paragraphs (UTF-8, whole: the drawing wraps them to the
// window): what could not be started and why, then where to choose the player.
std::vector<std::string> playerNoticeLines(const PlayerFailure& failure, const std::string& settingsFile);

// True while the notice stands at tick `now`.
bool playerNoticeLive(const PlayerNotice& notice, uint32_t now);

// The notice of the frame loop, and the settings file it names (set at start-up).
extern PlayerNotice playerNotice;
extern std::string playerSettingsFile;

// Writes the line and raises the notice at tick `now`; the next pass draws it.
void reportPlayerFailure(const PlayerFailure& failure, uint32_t now);
