// The 3-D part of a frame: the mirrored row, the dark floor over it, the row.
#pragma once

// Draws the floor polygon in black at alpha 0.9; blending is the caller's.
void drawGround();
// Mirrored strip, blended floor, upright strip. Leaves the modelview matrix as
// found and lighting, texturing and blending off.
void drawScene();
