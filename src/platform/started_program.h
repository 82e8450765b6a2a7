// What both systems' program starts share: the player's arguments for an
// action and its way of replacing its album, and the state a started
// program's watching thread hands to the frame thread. Internal to the
// platform layer (process_posix.cpp, process_win32.cpp).
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/platform.h"

namespace platform {

// The argument text `call` gets for `action` (the settings', else the
// default player `chosen`'s; nullptr: the settings name the program), with
// call->cannotEnqueue and call->endsPrevious set.
std::string playerArguments(const PlayerSettings& settings, PlayerAction action, const DefaultPlayer* chosen,
                            ProgramCall* call);

// One started program, between its watching thread and the frame thread.
struct ProgramWatch {
    std::mutex mutex;
    bool gone = false;          // reaped: from now on its id may be another process's
    bool endRequested = false;
    bool settled = false;       // `result` is complete
    ProgramEnd result;
    // With the mutex held: the program ended as `how` says ("" for status 0)
    // after `milliseconds`, having written `firstLine` first.
    void settle(const std::string& how, uint32_t milliseconds, const std::string& firstLine);
};

// A StartedProgram over its watch. `endIt` ends the program; it is called
// with the watch's mutex held, only while the program is not gone.
class WatchedProgram : public StartedProgram {
public:
    WatchedProgram(std::shared_ptr<ProgramWatch> watch, std::function<void()> endIt)
        : watch_(std::move(watch)), endIt_(std::move(endIt)) {}
    bool ended(ProgramEnd* end) override;
    void end() override;

private:
    std::shared_ptr<ProgramWatch> watch_;
    std::function<void()> endIt_;
};

}  // namespace platform
