// The help panel, the search line and the player notice in the frame loop: when they need a
// frame of their own, and drawing them over a frame.
#pragma once

#include <cstdint>

// True when what the overlays show differs from the last drawn frame: the
// help or the search changed, the search line has outlived its second, or the
// player notice its few seconds, or the order's notice changed.
bool overlayRedrawDue(uint32_t now);

// Draws the overlays that are on at tick `now` (after the caption).
void drawOverlays(uint32_t now);
