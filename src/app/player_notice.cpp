#include "app/player_notice.h"

#include <cstdio>

#include "app/input.h"
#include "platform/log_text.h"
#include "render/caption.h"

PlayerNotice playerNotice;
std::string playerSettingsFile = "./vellora.ini";

using platform::printable;
using platform::quotedPrintable;

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
    const size_t columns = kPlayerNoticeColumns;
    const auto setIn = [&](const std::string& before, const std::string& after) {
        return before + fitted(captionText(settingsFile.c_str()), columns - before.size() - after.size()) + after;
    };
    // `opening` "player" `closing`, the player's name giving way first.
    const auto naming = [&](const std::string& opening, const std::string& closing) {
        const std::string open = opening + "\"", close = "\"" + captionText(closing.c_str());
        const size_t room = columns > open.size() + close.size() + 8 ? columns - open.size() - close.size() : 8;
        return fitted(open + fitted(captionText(failure.player.c_str()), room) + close, columns);
    };
    if (failure.noEnqueue)
        return {naming("", " " + failure.reason), "Return plays it instead",
                setIn("Set enqueuearguments in ", " to choose how")};
    std::vector<std::string> lines;
    if (failure.player.empty()) {
        std::string first = failure.reason;
        if (!first.empty() && first[0] >= 'a' && first[0] <= 'z') first[0] = char(first[0] - 'a' + 'A');
        first = captionText(first.c_str());
        lines.push_back(first.size() > columns ? first.substr(0, columns - 3) + "..." : first);
    } else {
        lines.push_back(naming("Cannot start ", ": " + failure.reason));
    }
    if (!failure.errorLine.empty()) lines.push_back(fitted("It said: " + captionText(failure.errorLine.c_str()), columns));
    lines.push_back(setIn("Set musicplayer in ", " to choose it"));
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
