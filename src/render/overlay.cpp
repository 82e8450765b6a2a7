// Screen space for the caption. enable2D turns on: a pixel projection with the
// origin at the top-left corner and y down; turns off: the depth test.
// disable2D restores both matrices and turns the depth test back on. The pair
// takes one level of each matrix stack and does not nest.
#include "render/overlay.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "app/app_state.h"

void enable2D() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0, screenWidth, 0, screenHeight);
    // Flips positions only: bitmaps are still drawn upward from the raster position.
    glScalef(1, -1, 1);
    glTranslatef(0, float(-screenHeight), 0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
}

void disable2D() {
    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}
