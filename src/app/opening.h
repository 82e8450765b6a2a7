// The opening: for its first 2000 ticks every cover stands forward, then the
// selected one glides back, and until 2400 the row stands still (pacing.h,
// cover_strip.h). It counts from the tick the library is there: 0 when the
// scan had ended by the time the window was ready (the tick counter starts
// with the media library), or the tick the scan ended when it took longer, so
// a slow folder still gets the whole opening and a first frame by itself.
#pragma once

#include <cstdint>

extern uint32_t openingTick;  // written by beginOpening only

// Starts the opening at `tick`: openingTick, and playTime 2000 ticks on, so
// that the launch window ends as the opening does.
void beginOpening(uint32_t tick);

// `tick` counted from the opening's start: the clock pacing and the strip's
// animation read. Differences of two ticks stay what they were.
inline uint32_t openingClock(uint32_t tick) { return tick - openingTick; }
