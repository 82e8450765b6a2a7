#include "app/player_watch.h"

#include <memory>
#include <vector>

#include "app/app_state.h"
#include "app/player_notice.h"

namespace {

// A start in its first seconds.
struct Watched {
    std::shared_ptr<platform::StartedProgram> program;
    PlayerFailure about;  // its player and command line
    uint32_t since = 0;
};

PlayerRuns runs;
std::vector<Watched> watched;

}  // namespace

bool failedAtOnce(const platform::ProgramEnd& end) { return end.failed && end.milliseconds <= kPlayerFailWindow; }

PlayerFailure failureOfEnd(const PlayerFailure& started, const platform::ProgramEnd& end) {
    PlayerFailure failure = started;
    failure.reason = end.how + " at once";
    failure.errorLine = end.firstErrorLine;
    return failure;
}

void handOverAlbum(int index, platform::PlayerAction action, uint32_t now) {
    PlayerFailure failure;
    if (!albums->playAlbum(index, &failure, action, &runs)) {
        reportPlayerFailure(failure, now);
        return;
    }
    if (!runs.last) return;  // started, but nothing can tell of its end
    Watched start;
    start.program = runs.last;
    start.about.player = runs.lastPlayer;
    start.about.commandLine = runs.lastCommandLine;
    start.since = now;
    watched.push_back(std::move(start));
}

void watchPlayers(uint32_t now) {
    for (size_t i = 0; i < watched.size();) {
        platform::ProgramEnd end;
        const bool ended = watched[i].program->ended(&end);
        if (ended && failedAtOnce(end)) reportPlayerFailure(failureOfEnd(watched[i].about, end), now);
        if (ended || now - watched[i].since > kPlayerWatchTicks)
            watched.erase(watched.begin() + long(i));
        else
            ++i;
    }
}

void forgetPlayers() {
    watched.clear();
    runs = PlayerRuns();
}
