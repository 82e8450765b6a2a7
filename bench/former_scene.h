// The scene drawn the way it was before the frame was made cheap for software
// GL: every cover in index order, the mirrored strip first, the floor blended
// over it as a black glaze at alpha 0.9, then the upright strip. The picture
// drawScene must keep (tests/render/scene_picture_gl_test.cpp) and the cost
// scene_bench compares against. Header only; needs a GL context and the
// globals the strip reads.
#pragma once

#include <GL/gl.h>

#include "app/app_state.h"
#include "app/opening.h"
#include "library/albums_loader.h"
#include "platform/platform.h"
#include "render/cover_strip.h"
#include "render/scene.h"
#include "texture/gl_texture.h"

inline void drawFormerStrip() {
    const StripRange range = stripRange(position, albums->getAlbumsCount());
    for (int i = range.first; i < range.end; ++i) {
        glPushMatrix();
        const CoverPlacement placement = coverPlacement(double(i) - double(position));
        glTranslatef(float(placement.sideways), 0, float(placement.forward));
        glRotatef(float(placement.turn), 0, 1, 0);
        const float offset =
            coverAnimationOffset(i, openingClock(platform::ticks()), playing, openingClock(playTime));
        if (offset != 0) glTranslatef(0, 0, offset);
        if (textures[i].texID != 0) {
            glBindTexture(GL_TEXTURE_2D, textures[i].texID);
            glEnable(GL_TEXTURE_2D);
        }
        drawAlbum();
        glDisable(GL_TEXTURE_2D);
        glPopMatrix();
    }
}

inline void drawFormerScene() {
    glPushMatrix();
    glScalef(1, -1, 1);
    glTranslatef(0, 2, 0);
    drawFormerStrip();
    glPopMatrix();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    drawGround();
    glDisable(GL_BLEND);
    drawFormerStrip();
}
