// Drives the real frame loop without a window or a real clock: a simulated
// clock that moves only when the loop sleeps or draws, events delivered at
// chosen ticks, and recording stand-ins for drawing and texture loading.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "app/frame_loop.h"
#include "app/library_wait.h"
#include "platform/platform.h"

class SimulatedLoop : public platform::Clock {
public:
    explicit SimulatedLoop(uint32_t startTick = 0);
    ~SimulatedLoop() override;  // restores the real clock

    uint32_t ticks() override { return tick; }
    void delay(uint32_t milliseconds) override;

    // Queues an event to be polled by the first pass at or after `atTick`.
    void keyDown(uint32_t atTick, int key);
    void keyUp(uint32_t atTick, int key);
    void mouseDown(uint32_t atTick, int button, int x = 300, int y = 300);
    void mouseUp(uint32_t atTick, int button, int x = 300, int y = 300);
    // The pointer moved to (x, y); `leftHeld` as the button state says.
    void mouseMove(uint32_t atTick, int x, int y, bool leftHeld = true);
    void expose(uint32_t atTick);
    void quit(uint32_t atTick);

    // Hooks for waitForLibrary with a scan that ends at tick `scanEndsAt`:
    // waiting for it moves the clock, waiting frames are recorded below.
    LibraryWaitHooks waitHooks(uint32_t scanEndsAt);
    std::vector<std::pair<uint32_t, bool>> waitingDraws;  // tick and notice of each waiting frame
    std::vector<size_t> waitingCounts;  // the albums found each waiting frame was drawn with
    std::function<size_t()> albumsFound;  // what waitHooks's walk has found so far; none: not counted

    // Runs one pass of the real loop; false when the loop has ended.
    bool pass();
    // Runs passes until `stop` holds or `limit` passes ran; returns passes run.
    template <typename Stop>
    int runUntil(Stop stop, int limit);

    uint32_t tick;
    uint32_t drawCost = 5;           // ticks a simulated drawn frame takes
    std::vector<uint32_t> sleeps;    // every delay() asked for, in order
    std::vector<uint32_t> drawTicks; // tick at the start of each drawn frame
    std::vector<float> drawPositions;
    int loadCalls = 0;
    std::deque<bool> loadResults;    // what loadTextures answers; false when empty
    Pacing pacing;

    // Queues `event` behind every event due at `atTick`.
    void queue(uint32_t atTick, const SDL_Event& event);

private:
    std::deque<std::pair<uint32_t, SDL_Event>> events_;
};

template <typename Stop>
int SimulatedLoop::runUntil(Stop stop, int limit) {
    int passes = 0;
    while (passes < limit && !stop()) {
        if (!pass()) break;
        ++passes;
    }
    return passes;
}
