// Lines written when VELLORA_FRAME_LOG is set:
//   renderer NAME
//     once, first: the GL renderer the frames are drawn with.
//   frame N WALL_MS DRAW_US INTERVAL_US CURRENT POSITION TEXTURES
//     N counts drawn frames from 1; WALL_MS is the wall-clock time (ms since
//     the Unix epoch) when the frame was swapped; DRAW_US the time the drawing
//     pass took; INTERVAL_US the time since the previous frame was swapped
//     (0 for the first frame and for the first after a rest); CURRENT and POSITION the selection and the
//     scroll position; TEXTURES how many cover textures exist.
//   change WALL_MS WORK_US ALBUMS
//     the library changed under the running browser: WORK_US is what making
//     the change took the frame thread (the list, the per-album tables, the
//     selection), ALBUMS how many albums there are now.
//   textures COUNT BYTES
//     at exit: how many cover textures exist and their memory, estimated from
//     each texture's mip levels at 4 bytes a texel (what drivers store for RGB).
#include "app/frame_log.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/app_state.h"
#include "library/albums_loader.h"
#include "platform/log_text.h"
#include "texture/gl_texture.h"

namespace FrameLog {
namespace {

bool active = false;
std::FILE* file = nullptr;
long framesLeft = -1;  // -1: no limit
long frameCount = 0;
double frameStartUs = 0;
double lastSwapUs = 0;
double changeStartUs = 0;

double monotonicUs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

double wallMs() {
    timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

long textureCount() {
    long count = 0;
    for (int i = 0; albums && textures && i < albums->getAlbumsCount(); ++i) count += textures[i].texID != 0;
    return count;
}

long long textureBytes(uint32_t name) {
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, name);
    long long bytes = 0;
    for (int level = 0; level < 32; ++level) {
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
        if (w == 0 || h == 0) break;
        bytes += 4LL * w * h;
    }
    glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    return bytes;
}

}  // namespace

void start() {
    if (const char* limit = std::getenv("VELLORA_EXIT_AFTER_FRAMES")) {
        framesLeft = std::atol(limit);
        active = true;
    }
    if (const char* path = std::getenv("VELLORA_FRAME_LOG")) {
        file = std::fopen(path, "w");
        if (!file) std::fprintf(stderr, "vellora: cannot write the frame log %s\n", platform::printable(path).c_str());
        active = active || file;
        if (file) std::fprintf(file, "renderer %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    }
}

void beginFrame() {
    if (active) frameStartUs = monotonicUs();
}

void endFrame() {
    if (!active) return;
    const double swapped = monotonicUs();
    ++frameCount;
    if (file) {
        std::fprintf(file, "frame %ld %.3f %.0f %.0f %d %.4f %ld\n", frameCount, wallMs(),
                     swapped - frameStartUs, lastSwapUs > 0 ? swapped - lastSwapUs : 0.0, current,
                     double(position), textureCount());
        std::fflush(file);  // the benchmarks follow the log while the program runs
    }
    lastSwapUs = swapped;
    if (framesLeft >= 0 && frameCount >= framesLeft) done = 1;
}

void rest() {
    if (active) lastSwapUs = 0;
}

void beginChange() {
    if (file) changeStartUs = monotonicUs();
}

void endChange(bool changed) {
    if (!file || !changed) return;
    std::fprintf(file, "change %.3f %.0f %d\n", wallMs(), monotonicUs() - changeStartUs,
                 albums ? albums->getAlbumsCount() : 0);
    std::fflush(file);
}

void finish() {
    if (!file) return;
    long long bytes = 0;
    for (int i = 0; albums && textures && i < albums->getAlbumsCount(); ++i)
        if (textures[i].texID != 0) bytes += textureBytes(textures[i].texID);
    std::fprintf(file, "textures %ld %lld\n", textureCount(), bytes);
    std::fclose(file);
    file = nullptr;
}

}  // namespace FrameLog
