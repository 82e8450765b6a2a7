// Which albums stand in the drawn row: pure arithmetic on album indexes,
// asked by the drawing (render/) and by the cover streaming (texture/), which
// keeps the drawn row's covers whatever its memory budget, so it lies below both.
#pragma once

constexpr int kStripReach = 20;  // covers drawn on each side of the middle

// The covers drawn around `position`: first .. end - 1, at most 41.
struct StripRange {
    int first;
    int end;
};
StripRange stripRange(float position, int albumCount);
