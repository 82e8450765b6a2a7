// The row of covers. Placement and animation are pure functions of an album's
// distance from `position` and of the tick count; drawAlbums only turns them
// into matrices, so the strip glides with no animation state of its own.
#include "render/cover_strip.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "app/app_state.h"
#include "app/opening.h"
#include "library/albums_loader.h"
#include "texture/gl_texture.h"

namespace {

static_assert(2 * kStripReach + 1 == kMaxStripCovers, "the drawing order holds the whole strip");

// Places album `index` in the current frame and draws it in a pushed matrix.
void drawCover(int index) {
    glPushMatrix();
    const CoverPlacement placement = coverPlacement(double(index) - double(position));
    glTranslatef(float(placement.sideways), 0, 0);
    glTranslatef(0, 0, float(placement.forward));
    glRotatef(float(placement.turn), 0, 1, 0);
    // After the turn, so the cover moves along its own facing direction.
    // The opening pose counts from the opening's start, which a slow scan
    // moves on; every cover of a pass takes the pass's own time.
    const float offset = coverAnimationOffset(index, openingClock(now), playing, openingClock(playTime));
    if (offset != 0) glTranslatef(0, 0, offset);
    const bool textured = textures[index].texID != 0;
    if (textured) {
        glBindTexture(GL_TEXTURE_2D, textures[index].texID);
        glEnable(GL_TEXTURE_2D);
    }
    drawAlbum();
    if (textured) glDisable(GL_TEXTURE_2D);
    glPopMatrix();
}

}  // namespace

CoverPlacement coverPlacement(double d) {
    const double c = std::clamp(d, -1.0, 1.0);
    return {d / 2 + c, 1.5 * (1 - std::fabs(c)), -70 * std::sin(c)};
}

int stripDrawingOrder(float position, StripRange range, int (&order)[kMaxStripCovers]) {
    const int count = std::clamp(range.end - range.first, 0, kMaxStripCovers);
    for (int k = 0; k < count; ++k) order[k] = range.first + k;
    // Ties (exactly half-way) go to the lower index; std::sort on 41 numbers is nothing next to a frame.
    std::sort(order, order + count, [position](int a, int b) {
        const double da = std::fabs(a - double(position)), db = std::fabs(b - double(position));
        return da != db ? da < db : a < b;
    });
    return count;
}

float coverAnimationOffset(int index, uint32_t t, int playing, uint32_t playTime) {
    // Unsigned on purpose: before playTime the difference wraps to a huge
    // value, f goes far below 0 and the hand-over rule does not apply.
    const uint32_t elapsed = t - playTime;
    const float f = 1.0f - float(elapsed) / 400.0f;
    const float tick = float(t);
    if (index == playing && f > 0) {
        if (tick > 2400.0f) return float(std::sin(3.1415 * f) / 2);      // the launch hop
        if (tick > 2000.0f) return float(std::sin(3.1415 * f / 2) / 2);  // gliding back after the opening
        return 0;
    }
    if (tick < 2000.0f) return 0.5f;  // the opening pose
    return 0;
}

void drawAlbums() {
    if (!albums || !textures) return;  // no library yet: nothing to stand in the row
    int order[kMaxStripCovers];
    const int count = stripDrawingOrder(position, stripRange(position, albums->getAlbumsCount()), order);
    for (int k = 0; k < count; ++k) drawCover(order[k]);
}

void drawAlbum() {
    glEnable(GL_LIGHTING);
    glBegin(GL_POLYGON);
    glNormal3f(0, 0, 1);
    // Texture row t = 0 is the picture's top row: upright and unmirrored from the front.
    glTexCoord2f(0, 1);
    glVertex3f(-1, -1, 0);
    glTexCoord2f(1, 1);
    glVertex3f(1, -1, 0);
    glTexCoord2f(1, 0);
    glVertex3f(1, 1, 0);
    glTexCoord2f(0, 0);
    glVertex3f(-1, 1, 0);
    glEnd();
    glDisable(GL_LIGHTING);
}
