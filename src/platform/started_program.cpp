#include "platform/started_program.h"

namespace platform {

std::string playerArguments(const PlayerSettings& settings, PlayerAction action, const DefaultPlayer* chosen,
                            ProgramCall* call) {
    std::string arguments = action == PlayerAction::Play ? settings.arguments : settings.enqueueArguments;
    if (arguments.empty() && chosen) {
        if (action == PlayerAction::Play) arguments = chosen->arguments;
        else if (chosen->enqueueArguments) arguments = chosen->enqueueArguments;
        else call->cannotEnqueue = "cannot add an album to its list";
    } else if (arguments.empty() && action == PlayerAction::Enqueue) {
        call->cannotEnqueue = "has no enqueuearguments set";
    }
    // A default player with its own arguments replaces its album its own way.
    const bool ownWay = chosen && settings.arguments.empty();
    call->endsPrevious = action == PlayerAction::Play && (ownWay ? !chosen->oneInstance : settings.endPrevious);
    return arguments;
}

ProgramCall playerCall(const std::string& player, const std::string& arguments, const std::string& folder,
                       const std::string& searchPath) {
    PlayerSettings settings;
    settings.program = player;
    settings.arguments = arguments;
    return playerCall(settings, PlayerAction::Play, folder, searchPath);
}

void ProgramWatch::settle(const std::string& how, uint32_t milliseconds, const std::string& firstLine) {
    result.onRequest = endRequested;
    result.how = how;
    result.failed = !how.empty() && !endRequested;
    result.milliseconds = milliseconds;
    result.firstErrorLine = firstLine;
    settled = true;
}

bool WatchedProgram::ended(ProgramEnd* end) {
    std::lock_guard<std::mutex> lock(watch_->mutex);
    if (watch_->settled && end) *end = watch_->result;
    return watch_->settled;
}

void WatchedProgram::end() {
    std::lock_guard<std::mutex> lock(watch_->mutex);
    if (watch_->gone || watch_->settled || watch_->endRequested) return;
    endIt_();
    watch_->endRequested = true;
}

}  // namespace platform
