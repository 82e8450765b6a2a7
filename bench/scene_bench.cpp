// Where a frame's time goes when software GL draws the scene in a large
// window: the clear and the swap alone, the reflection, the upright row, the
// whole scene, and the scene as it was drawn before (every cover in index
// order, the floor blended over the reflection). Prints milliseconds a frame:
// the median wall time and the mean CPU time of the process (GL's drawing
// threads included), which a machine busy with other work sways less.
//
//     scene_bench [WIDTHxHEIGHT] [FRAMES]     (under an X server that size or larger)
//
// SDL12COMPAT_OPENGL_SCALING=1 in the environment measures the SDL 1.2
// layer's own framebuffer, which the program does without (window.cpp).
#include <GL/gl.h>
#include <SDL.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/opening.h"
#include "app/window.h"
#include "library/albums_loader.h"
#include "render/cover_strip.h"
#include "render/projection.h"
#include "render/scene.h"
#include "texture/cover_picture.h"
#include "texture/gl_texture.h"
#include "texture/texture_streaming.h"

#include "former_scene.h"

namespace {

const int kAlbums = 41;  // position 20: twenty covers each side, as many as the strip draws

// A cover's levels: smooth colour with fine detail, as a photograph has, so
// the texture cache sees what it would see with real covers.
CoverTexels patternTexels(int edge, int seed) {
    CoverTexels texels;
    texels.edge = texels.sourceWidth = texels.sourceHeight = edge;
    for (int size = edge;; size /= 2) {
        std::vector<uint8_t> level(size_t(size) * size * 3);
        const int step = edge / size;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                uint8_t* texel = &level[(size_t(y) * size + x) * 3];
                const int u = x * step, v = y * step;
                texel[0] = uint8_t((u * 255 / edge + seed * 40) & 255);
                texel[1] = uint8_t((v * 255 / edge) ^ ((u / 8 + v / 8 + seed) & 1 ? 40 : 0));
                texel[2] = uint8_t(((u ^ v) / 4 + seed * 13) & 255);
            }
        texels.levels.push_back(std::move(level));
        if (size == 1) break;
    }
    return texels;
}

void drawReflectionOnly() {
    glPushMatrix();
    glScalef(1, -1, 1);
    glTranslatef(0, 2, 0);
    drawAlbums();
    glPopMatrix();
}

double cpuMilliseconds() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);  // every thread: GL's drawing threads too
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

struct Cost {
    double wall;  // median milliseconds a frame
    double cpu;   // CPU milliseconds a frame (mean), which a busy machine sways less
};

// `frames` frames, each cleared, drawn, swapped and finished.
Cost frameCost(int frames, const std::function<void()>& draw) {
    std::vector<double> times;
    double cpuStart = 0;
    for (int f = 0; f < frames + 3; ++f) {
        if (f == 3) cpuStart = cpuMilliseconds();  // the first frames warm the shaders
        const auto begin = std::chrono::steady_clock::now();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw();
        SDL_GL_SwapBuffers();
        glFinish();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - begin;
        if (f >= 3) times.push_back(took.count());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], (cpuMilliseconds() - cpuStart) / frames};
}

}  // namespace

int main(int argc, char** argv) {
    int width = 1920, height = 1080, frames = 40;
    if (argc > 1 && std::sscanf(argv[1], "%dx%d", &width, &height) != 2) {
        std::fprintf(stderr, "usage: scene_bench [WIDTHxHEIGHT] [FRAMES]\n");
        return 2;
    }
    if (argc > 2) frames = std::max(1, std::atoi(argv[2]));

    char pattern[] = "/tmp/vellora-scene-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    for (int i = 0; i < kAlbums; ++i) mkdir((std::string(pattern) + "/album" + std::to_string(100 + i)).c_str(), 0700);
    albums = new AlbumsLoader(pattern, "");
    textures = new glTexture[kAlbums]();

    const char* scaling = std::getenv("SDL12COMPAT_OPENGL_SCALING");
    start_sdl();  // as the program starts it: GL straight into the window unless the environment says otherwise
    if (!SDL_SetVideoMode(width, height, 0, SDL_OPENGL | SDL_NOFRAME)) {
        std::fprintf(stderr, "scene_bench: no GL window: %s\n", SDL_GetError());
        return 1;
    }
    screenWidth = width;
    screenHeight = height;
    init_gl();
    const int edge = coverTextureEdge(middleCoverPixelHeight(width, height), 800, 800);  // 800-px covers
    for (int i = 0; i < kAlbums; ++i) uploadCoverTexels(patternTexels(edge, i), &textures[i].texID);
    position = 20;  // the middle of the row, 20 covers each side
    playing = -1;   // no hop
    openingTick = uint32_t(-100000);  // the opening long over: no cover stands forward

    std::printf("GL renderer: %s; %d x %d, texture edge %d, SDL12COMPAT_OPENGL_SCALING=%s; median of %d frames\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)), width, height, edge,
                scaling ? scaling : "(unset)", frames);
    const struct {
        const char* what;
        std::function<void()> draw;
    } parts[] = {
        {"clear and swap", [] {}},
        {"reflection", drawReflectionOnly},
        {"upright row", drawAlbums},
        {"scene", drawScene},
        {"scene as before", drawFormerScene},
        {"upright row, bare panels", [] {
             uint32_t ids[kAlbums];
             for (int i = 0; i < kAlbums; ++i) ids[i] = textures[i].texID, textures[i].texID = 0;
             drawAlbums();
             for (int i = 0; i < kAlbums; ++i) textures[i].texID = ids[i];
         }},
        {"scene, half-way", [] {
             position = 20.5f;
             drawScene();
             position = 20;
         }},
        {"scene as before, half-way", [] {
             position = 20.5f;
             drawFormerScene();
             position = 20;
         }},
    };
    std::printf("%-28s %7s %7s\n", "", "wall", "CPU");
    for (const auto& part : parts) {
        const Cost cost = frameCost(frames, part.draw);
        std::printf("%-28s %7.2f %7.2f\n", part.what, cost.wall, cost.cpu);
    }
    std::fflush(stdout);
    for (int i = 0; i < kAlbums; ++i) glDeleteTextures(1, &textures[i].texID);
    return 0;  // SDL_Quit at exit
}
