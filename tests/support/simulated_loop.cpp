#include "support/simulated_loop.h"

#include "app/app_state.h"

namespace {
SimulatedLoop* active = nullptr;
std::deque<std::pair<uint32_t, SDL_Event>>* activeEvents = nullptr;

int pollSimulated(SDL_Event* event) {
    if (activeEvents->empty() || activeEvents->front().first > active->tick) return 0;
    *event = activeEvents->front().second;
    activeEvents->pop_front();
    return 1;
}

void drawSimulated() {
    active->drawTicks.push_back(active->tick);
    active->drawPositions.push_back(position);
    active->tick += active->drawCost;
}

void drawWaitingSimulated(bool notice, size_t albumsFound) {
    active->waitingDraws.push_back({active->tick, notice});
    active->waitingCounts.push_back(albumsFound);
    active->tick += active->drawCost;
}

bool loadSimulated(int) {
    ++active->loadCalls;
    if (active->loadResults.empty()) return false;
    bool result = active->loadResults.front();
    active->loadResults.pop_front();
    return result;
}

int pushSimulated(SDL_Event* event) {
    active->queue(active->tick, *event);
    return 0;
}
}  // namespace

SimulatedLoop::SimulatedLoop(uint32_t startTick) : tick(startTick) {
    active = this;
    activeEvents = &events_;
    platform::setClock(this);
}

SimulatedLoop::~SimulatedLoop() {
    platform::setClock(nullptr);
    active = nullptr;
    activeEvents = nullptr;
}

LibraryWaitHooks SimulatedLoop::waitHooks(uint32_t scanEndsAt) {
    return {pollSimulated, pushSimulated, drawWaitingSimulated,
            [this, scanEndsAt](uint32_t ticks) {
                if (int32_t(scanEndsAt - tick) > int32_t(ticks)) {
                    tick += ticks;
                    return false;
                }
                if (int32_t(scanEndsAt - tick) > 0) tick = scanEndsAt;
                return true;
            },
            albumsFound};
}

void SimulatedLoop::delay(uint32_t milliseconds) {
    sleeps.push_back(milliseconds);
    tick += milliseconds;
}

void SimulatedLoop::queue(uint32_t atTick, const SDL_Event& event) {
    auto at = events_.begin();
    while (at != events_.end() && at->first <= atTick) ++at;
    events_.insert(at, {atTick, event});
}

static SDL_Event keyEvent(Uint8 type, int key) {
    SDL_Event event{};
    event.type = type;
    event.key.keysym.sym = SDLKey(key);
    return event;
}

void SimulatedLoop::keyDown(uint32_t atTick, int key) { queue(atTick, keyEvent(SDL_KEYDOWN, key)); }
void SimulatedLoop::keyUp(uint32_t atTick, int key) { queue(atTick, keyEvent(SDL_KEYUP, key)); }

static SDL_Event buttonEvent(Uint8 type, int button, int x, int y) {
    SDL_Event event{};
    event.type = type;
    event.button.button = Uint8(button);
    event.button.x = Uint16(x);
    event.button.y = Uint16(y);
    return event;
}

void SimulatedLoop::mouseDown(uint32_t atTick, int button, int x, int y) {
    queue(atTick, buttonEvent(SDL_MOUSEBUTTONDOWN, button, x, y));
}

void SimulatedLoop::mouseUp(uint32_t atTick, int button, int x, int y) {
    queue(atTick, buttonEvent(SDL_MOUSEBUTTONUP, button, x, y));
}

void SimulatedLoop::mouseMove(uint32_t atTick, int x, int y, bool leftHeld) {
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.state = leftHeld ? SDL_BUTTON(1) : 0;
    event.motion.x = Uint16(x);
    event.motion.y = Uint16(y);
    queue(atTick, event);
}

void SimulatedLoop::expose(uint32_t atTick) {
    SDL_Event event{};
    event.type = SDL_VIDEOEXPOSE;
    queue(atTick, event);
}

void SimulatedLoop::quit(uint32_t atTick) {
    SDL_Event event{};
    event.type = SDL_QUIT;
    queue(atTick, event);
}

bool SimulatedLoop::pass() {
    FrameHooks hooks{pollSimulated, drawSimulated, loadSimulated, nullptr};
    return runFramePass(hooks, pacing);
}
