// Which cover the mouse points at: the pixel's ray from the eye intersected
// with every cover of the strip, placed by the same maths that draws them
// (coverPlacement, stripRange, the projection of init_gl). Pure; no GL.
#pragma once

// The album whose upright cover shows at window pixel (x, y) (origin top-left,
// as mouse events give it) in a width x height window with the row at
// `position`, or -1 for the background, the floor and the reflection. Where
// covers overlap, the one nearer the viewer wins, as the depth test decides on
// screen; parts behind the far plane (z < 0) are cut away there too. The
// opening pose and the launch hop are not taken into account.
int coverAt(int x, int y, int width, int height, float position, int albumCount);
