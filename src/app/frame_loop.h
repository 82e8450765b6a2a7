// The body of the program between start-up and shutdown: each pass reads the
// clock, drains the events, repeats a held key, then draws, glides, rests or
// loads a cover texture (see pacing.h).
#pragma once

#include <SDL.h>

#include "app/pacing.h"

// The loop's seams. The defaults are the real event queue, the real drawing
// pass and the real texture loading; tests put their own in place.
// loadTextures answers whether it put a cover into the drawn strip: an idle
// pass then draws a frame to show it.
struct FrameHooks {
    int (*pollEvent)(SDL_Event* event);
    void (*drawFrame)();
    bool (*loadTextures)(int radius);
    // Makes the changes of the library's folder; true when they must be drawn.
    // May be nullptr: the library does not change.
    bool (*applyLibraryChanges)();
};
FrameHooks realFrameHooks();

// Runs passes until `done` is set.
void runFrameLoop(const FrameHooks& hooks);

// One pass; false (and nothing done) when `done` is already set.
bool runFramePass(const FrameHooks& hooks, Pacing& pacing);

// Applies one event to the key state, the commands and `pacing`.
void handleEvent(const SDL_Event& event, Pacing& pacing);

// The loop's cover loading: coverStreaming's step at the current position
// for the current window, searching `n` places on each side. False when
// there is no streaming.
bool loadClosestTexture(int n);

// A drawn frame: clears, uploads the finished cover textures its budget
// allows, draws the scene and the selected album's name (or, with no album
// left, the line saying so), swaps.
void drawFrame();
