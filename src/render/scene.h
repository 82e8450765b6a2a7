// The 3-D part of a frame: the mirrored row seen through the dark floor, the row.
#pragma once

// Draws the floor polygon in black at alpha 0.9; blending is the caller's.
// drawScene no longer needs it: it darkens the reflection as it draws it.
void drawGround();
// The mirrored strip at the tenth of its brightness the floor leaves, then the
// upright strip. Leaves the modelview matrix as found and lighting, texturing,
// blending and fog off.
void drawScene();
