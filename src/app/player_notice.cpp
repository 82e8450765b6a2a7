#include "app/player_notice.h"

#include <cstdio>

#include "app/input.h"
#include "platform/log_text.h"

PlayerNotice playerNotice;
std::string playerSettingsFile = "./vellora.ini";

using platform::printable;

std::string settingsFileForPeople(const std::string& path, const std::string& home) {
    if (path.empty()) return "./vellora.ini";
    if (!home.empty() && home != "/" && path.compare(0, home.size(), home) == 0 && path.size() > home.size() &&
        path[home.size()] == '/')
        return "~" + path.substr(home.size());
    return path;
}

std::string playerFailureLine(const PlayerFailure& failure, const std::string& settingsFile) {
    const std::string what = failure.player.empty() ? "a music player" : printable(failure.commandLine);
    return "vellora: cannot start " + what + ": " + printable(failure.reason) + "; set musicplayer in " +
           printable(settingsFile) + " to choose the player\n";
}

std::vector<std::string> playerNoticeLines(const PlayerFailure& failure, const std::string& settingsFile) {
    std::string first;
    if (failure.player.empty()) {
        first = failure.reason;
        if (!first.empty() && first[0] >= 'a' && first[0] <= 'z') first[0] = char(first[0] - 'a' + 'A');
    } else {
        first = "Cannot start \"" + failure.player + "\": " + failure.reason;
    }
    return {first, "Set musicplayer in " + settingsFile + " to choose it"};
}

bool playerNoticeLive(const PlayerNotice& notice, uint32_t now) {
    return !notice.lines.empty() && now - notice.since < kPlayerNoticeTicks;
}

void reportPlayerFailure(const PlayerFailure& failure, uint32_t now) {
    std::fputs(playerFailureLine(failure, playerSettingsFile).c_str(), stderr);
    std::fflush(stderr);
    playerNotice.lines = playerNoticeLines(failure, playerSettingsFile);
    playerNotice.since = now;
    redrawWanted = true;
}
