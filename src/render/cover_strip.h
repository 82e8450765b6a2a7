// The row of covers: placement maths (pure) and the GL drawing of the strip.
#pragma once

#include <cstdint>

#include "library/strip_range.h"

// Where a cover stands, from its distance d = index - position.
struct CoverPlacement {
    double sideways;  // world units along x: d / 2 + clamp(d, -1, 1)
    double forward;   // world units along z: 1.5 * (1 - |clamp(d)|)
    double turn;      // degrees about +y: -70 * sin(clamp(d)) (radians)
};
CoverPlacement coverPlacement(double d);


// The covers of `range` nearest the middle first: by their distance from
// `position`, the nearer of two equal ones first. A cover nearer the middle
// stands in front of those farther out on its side, so drawn in this order the
// depth test turns away the hidden parts of the covers behind before they are
// shaded. Fills `order` and returns how many it holds (range.end - range.first).
constexpr int kMaxStripCovers = 41;
int stripDrawingOrder(float position, StripRange range, int (&order)[kMaxStripCovers]);

// How far album `index` moves out along its facing direction at tick `t`
// (0 when it does not): the opening pose, the glide back at 2000 and the hop
// after a hand-over at `playTime`.
float coverAnimationOffset(int index, uint32_t t, int playing, uint32_t playTime);

// Draws the covers within twenty places of `position` in the current
// modelview frame, nearest the middle first; the matrix on return equals the one on entry, lighting and
// 2-D texturing are off.
void drawAlbums();
// One lit 2 x 2 quad in the local frame; textured only if the caller bound and
// enabled a texture (and the caller turns texturing off again). Leaves
// lighting off.
void drawAlbum();
