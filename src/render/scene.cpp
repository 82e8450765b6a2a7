// The 3-D part of a frame. The reflection is the strip drawn a second time
// through a mirror in the floor plane y = -1, then darkened by the floor, a
// black glaze at alpha 0.9 blended over it: no stencil, no second view.
#include "render/scene.h"

#include <GL/gl.h>

#include "render/cover_strip.h"

void drawGround() {
    glPushMatrix();
    glScalef(10, 1, 10);
    glColor4f(0, 0, 0, 0.9f);
    glBegin(GL_POLYGON);
    glVertex3f(2.5f, -1, 2);
    glVertex3f(-2.5f, -1, 2);
    glVertex3f(-2.5f, -1, -1);
    glVertex3f(2.5f, -1, -1);
    glEnd();
    glPopMatrix();
}

void drawScene() {
    // (x, y, z) drawn at (x, -2 - y, z): the strip hanging from the floor line.
    glPushMatrix();
    glScalef(1, -1, 1);
    glTranslatef(0, 2, 0);
    drawAlbums();
    glPopMatrix();

    // The floor lies in front of every mirrored point and leaves a tenth of it.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    drawGround();
    glDisable(GL_BLEND);

    drawAlbums();
}
