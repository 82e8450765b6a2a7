// When the frame loop draws, glides, sleeps or loads: pure decisions on tick
// values, so they can be checked without a window or a real clock.
#pragma once

#include <cstdint>

constexpr uint32_t kOpeningTicks = 2400;      // every pass draws, the row stands still
constexpr uint32_t kBandWarmingTick = kOpeningTicks / 2;  // see-through bands drawn once, unseen
constexpr uint32_t kLaunchTicks = 400;        // passes keep drawing after a hand-over
constexpr uint32_t kGlideSleep = 10;          // after each easing step
constexpr uint32_t kIdleSleep = 33;           // an idle pass with nothing to do
constexpr int kQuietIdlePasses = 10;          // idle passes before loading starts
constexpr uint32_t kRepeatDelay = 300;        // a held key repeats after this
constexpr uint32_t kRepeatInterval = 20;      // repeat checks more than this apart
constexpr int kIdleTextureRadius = 10;        // loadClosestTexture radius while resting
constexpr int kDrawTextureRadius = 4;         // ... and on a drawn pass

// What one pass of the loop does after its events and key repeat.
enum class PassAction {
    Draw,          // draw at once (the opening, or an expose while resting)
    GlideAndDraw,  // position has taken a step: sleep kGlideSleep, then draw
    Sleep,         // quiet idle pass: sleep kIdleSleep, draw nothing
    LoadIdle,      // take one finished cover: draw if it shows, else sleep kIdleSleep
};

// The loop's own state between passes.
struct Pacing {
    bool exposePending = false;  // an expose arrived; the next idle pass draws
    int idlePasses = 0;          // idle passes since the last drawn one
};

// One easing step of `position` toward `current`: a fifteenth of the way, or
// `current` exactly once within 0.005 or once a step no longer changes the
// stored float (far along the row a fifteenth of a small distance can be below
// the float's spacing, and the glide would never end).
float easedPosition(float position, int current);

// Decides the pass at tick `now`, taking the easing step into `position` and
// updating `pacing`. Ticks differences are taken as signed 32-bit values.
PassAction pacePass(uint32_t now, int current, uint32_t playTime, float& position, Pacing& pacing);

// True when a held key's command should run again at tick `now`; moves
// lastRepeatCheck on whenever a check is due (more than 20 ticks apart).
bool keyRepeatDue(uint32_t now, int heldKey, uint32_t keyDownTime, uint32_t& lastRepeatCheck);
