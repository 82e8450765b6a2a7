// The 3-D part of a frame. The reflection is the strip drawn a second time
// through a mirror in the floor plane y = -1, darkened as the floor darkens
// it: the floor is a black glaze at alpha 0.9, which leaves a tenth of
// whatever lies under it. No stencil, no second view.
//
// The glaze is not drawn as such: blended over the lowest third of the
// window it cost as much as the reflection itself (a read and a write of
// every pixel there). The reflection is drawn at a tenth of its brightness
// instead, by linear fog toward black whose factor is the same at every
// distance in the scene; over the black background the glaze would leave
// black, so the picture is the same.
#include "render/scene.h"

#include <GL/gl.h>

#include "render/cover_strip.h"

namespace {

const float kFloorAlpha = 0.9f;  // how much of what lies under the floor it hides

// Linear fog leaves (end - distance) / (end - start) of a fragment's colour.
// With end and start this far apart the share changes by less than 0.00003
// over the 3 units the scene spans: 1 - kFloorAlpha everywhere.
void darkenUnderTheFloor() {
    const float span = 100000;
    const float end = span * (1 - kFloorAlpha);
    static const GLfloat black[] = {0, 0, 0, 0};
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, end - span);
    glFogf(GL_FOG_END, end);
    glFogfv(GL_FOG_COLOR, black);
    glEnable(GL_FOG);
}

}  // namespace

void drawGround() {
    glPushMatrix();
    glScalef(10, 1, 10);
    glColor4f(0, 0, 0, kFloorAlpha);
    glBegin(GL_POLYGON);
    glVertex3f(2.5f, -1, 2);
    glVertex3f(-2.5f, -1, 2);
    glVertex3f(-2.5f, -1, -1);
    glVertex3f(2.5f, -1, -1);
    glEnd();
    glPopMatrix();
}

void drawScene() {
    // The upright strip first. Every upright point lies at or above the floor,
    // in front of every mirrored one, so the order changes nothing on screen,
    // but the middle cover hides part of the side covers' reflections, which
    // the depth test then turns away before they are shaded.
    drawAlbums();

    // (x, y, z) drawn at (x, -2 - y, z): the strip hanging from the floor line,
    // seen through the floor.
    glPushMatrix();
    glScalef(1, -1, 1);
    glTranslatef(0, 2, 0);
    darkenUnderTheFloor();
    drawAlbums();
    glDisable(GL_FOG);
    glPopMatrix();
}
