#include "app/player_notice.h"

#include <cstdio>

#include "app/input.h"
#include "platform/log_text.h"
#include "render/caption.h"

PlayerNotice playerNotice;
std::string playerSettingsFile = "./vellora.ini";

using platform::printable;

namespace {

// `text` cut to `columns` characters by putting "..." in its middle.
std::string fitted(const std::string& text, size_t columns) {
    if (text.size() <= columns) return text;
    const size_t kept = columns - 3, front = kept / 2;
    return text.substr(0, front) + "..." + text.substr(text.size() - (kept - front));
}

}  // namespace

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
    const size_t columns = kPlayerNoticeColumns;
    std::string first;
    if (failure.player.empty()) {
        first = failure.reason;
        if (!first.empty() && first[0] >= 'a' && first[0] <= 'z') first[0] = char(first[0] - 'a' + 'A');
        first = captionText(first.c_str());
        if (first.size() > columns) first = first.substr(0, columns - 3) + "...";
    } else {
        const std::string reason = captionText((": " + failure.reason).c_str());
        const std::string opening = "Cannot start \"", closing = "\"";
        const size_t room = columns > opening.size() + closing.size() + reason.size() + 8
                                ? columns - opening.size() - closing.size() - reason.size()
                                : 8;
        first = fitted(opening + fitted(captionText(failure.player.c_str()), room) + closing + reason, columns);
    }
    const std::string before = "Set musicplayer in ", after = " to choose it";
    const std::string file = fitted(captionText(settingsFile.c_str()), columns - before.size() - after.size());
    return {first, before + file + after};
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
