// Helpers for the renderer's GL tests: a clock that stands still, a small
// album library with its texture table installed in the globals, textures
// made from pixels in memory, and pixel checks. Header only; needs a GlWindow.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "library/albums_loader.h"
#include "platform/platform.h"
#include "render/cover_strip.h"
#include "render/scene.h"
#include "support/gl_window.h"
#include "support/temp_dir.h"
#include "texture/gl_texture.h"

inline std::ostream& operator<<(std::ostream& out, const Rgb& p) {
    return out << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

// The tick counter as the test sets it; installed for the object's life.
class StillClock : public platform::Clock {
public:
    explicit StillClock(uint32_t start) : now(start) { platform::setClock(this); }
    ~StillClock() override { platform::setClock(nullptr); }
    uint32_t ticks() override { return now; }
    void delay(uint32_t milliseconds) override { now += milliseconds; }
    uint32_t now;
};

// `albums` with `count` empty album folders and a `textures` table of
// untextured records, position 0 and the start-up hand-over values. Undone,
// textures deleted, on destruction (before the GlWindow goes).
class SceneLibrary {
public:
    explicit SceneLibrary(int count) : count_(count) {
        for (int i = 0; i < count; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "album%02d", i);
            dir_.makeFolder(name);
        }
        albums = new AlbumsLoader(dir_.path(), "");
        EXPECT_EQ(albums->getAlbumsCount(), count);
        textures = new glTexture[count]();
        position = 0;
        current = 0;
        playing = 0;
        playTime = 2000;
    }
    ~SceneLibrary() {
        for (int i = 0; i < count_; ++i)
            if (textures[i].texID != 0) glDeleteTextures(1, &textures[i].texID);
        delete[] textures;
        textures = nullptr;
        delete albums;
        albums = nullptr;
    }
    SceneLibrary(const SceneLibrary&) = delete;
    SceneLibrary& operator=(const SceneLibrary&) = delete;

private:
    TempDir dir_;
    int count_;
};

// A texture of width x height RGB pixels, top row first, sampled nearest.
inline GLuint makeTexture(int width, int height, const std::vector<uint8_t>& rgb) {
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    return id;
}

// Four quadrants: red top left, green top right, blue bottom left, yellow
// bottom right; `mirrored` swaps left and right.
inline GLuint quadrantTexture(bool mirrored = false) {
    std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
    if (mirrored) rgb = {0, 255, 0, 255, 0, 0, 255, 255, 0, 0, 0, 255};
    return makeTexture(2, 2, rgb);
}

inline GLuint solidTexture(uint8_t r, uint8_t g, uint8_t b) { return makeTexture(1, 1, {r, g, b}); }

// A frame as the frame loop draws it: at the pass's time, read once.
inline void drawSceneFrame() {
    now = platform::ticks();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawScene();
}

inline bool isBlack(const Rgb& p) { return p.r == 0 && p.g == 0 && p.b == 0; }
inline bool isGrey(const Rgb& p) { return p.r > 0 && p.r == p.g && p.g == p.b; }
// The channel well above the other two: 'r', 'g', 'b', or '?' when none is.
inline char dominant(const Rgb& p) {
    if (p.r > 2 * p.g + 20 && p.r > 2 * p.b + 20) return 'r';
    if (p.g > 2 * p.r + 20 && p.g > 2 * p.b + 20) return 'g';
    if (p.b > 2 * p.r + 20 && p.b > 2 * p.g + 20) return 'b';
    return '?';
}

// Where a point of album `index`'s cover (local frame, x and y in -1 .. 1)
// lands in the window, from its placement at the current `position`:
// x right, y down from the top row, as readPixel takes them.
struct ScreenPoint {
    int x, y;
};
inline ScreenPoint projectCoverPoint(int index, double localX, double localY) {
    const CoverPlacement p = coverPlacement(double(index) - double(position));
    glPushMatrix();
    glTranslated(p.sideways, 0, p.forward);
    glRotated(p.turn, 0, 1, 0);
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glPopMatrix();
    GLdouble x = 0, y = 0, z = 0;
    gluProject(localX, localY, 0, modelview, projection, viewport, &x, &y, &z);
    return {int(x), viewport[3] - 1 - int(y)};
}
