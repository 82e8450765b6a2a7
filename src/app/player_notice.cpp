#include "app/player_notice.h"

#include <cstdio>

#include "app/input.h"
#include "platform/log_text.h"

PlayerNotice playerNotice;
std::string playerSettingsFile = "./vellora.ini";

using platform::printable;
using platform::quotedPrintable;

std::string settingsFileForPeople(const std::string& path, const std::string& home) {
    if (path.empty()) return "./vellora.ini";
    if (!home.empty() && home != "/" && path.compare(0, home.size(), home) == 0 && path.size() > home.size() &&
        path[home.size()] == '/')
        return "~" + path.substr(home.size());
    return path;
}

std::string playerFailureLine(const PlayerFailure& failure, const std::string& settingsFile) {
    const std::string file = printable(settingsFile);
    if (failure.noEnqueue)
        return "vellora: cannot add the album to the list of " + quotedPrintable(failure.player) + ": it " +
               printable(failure.reason) + "; Return plays it instead, or set enqueuearguments in " + file +
               " to choose how\n";
    const std::string what = failure.player.empty() ? "a music player" : printable(failure.commandLine);
    const std::string said = failure.errorLine.empty() ? "" : ", saying " + quotedPrintable(failure.errorLine);
    return "vellora: cannot start " + what + ": " + printable(failure.reason) + said + "; set musicplayer in " +
           file + " to choose the player\n";
}

std::vector<std::string> playerNoticeLines(const PlayerFailure& failure, const std::string& settingsFile) {
    if (failure.noEnqueue)
        return {"\"" + failure.player + "\" " + failure.reason, "Return plays it instead",
                "Set enqueuearguments in " + settingsFile + " to choose how"};
    std::vector<std::string> lines;
    if (failure.player.empty()) {
        std::string first = failure.reason;
        if (!first.empty() && first[0] >= 'a' && first[0] <= 'z') first[0] = char(first[0] - 'a' + 'A');
        lines.push_back(first);
    } else {
        lines.push_back("Cannot start \"" + failure.player + "\": " + failure.reason);
    }
    if (!failure.errorLine.empty()) lines.push_back("It said: " + failure.errorLine);
    lines.push_back("Set musicplayer in " + settingsFile + " to choose it");
    return lines;
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
