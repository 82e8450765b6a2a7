// Screen space for the caption: origin top-left, one unit a pixel, y down.
#pragma once

// Pushes both matrices and switches to screen space; depth test off.
void enable2D();
// Pops both matrices; depth test on; modelview current.
void disable2D();
