// What a caption in a script the text atlas does not hold yet costs the frame
// that shows it: the glyphs rendered at the caption's size (and, the first
// time a script needs one, the fallback face found by the font list and
// opened), put into the atlas and drawn. Each trial starts a new text font
// that has drawn a Latin caption (so the atlas and the caption face are
// there), then times the caption's part of the frame with the new script's
// caption, then the same again: the difference is the cost. A second table gives more new
// characters from a face already open. Frames end with glFinish, so GL's
// work is counted. Beside the wall-clock time, the process's CPU time (all
// its threads, llvmpipe's too), which a busy shared machine does not inflate
// by preemption. Prints medians and the tail; asserts nothing.
// Needs an X display with GL at least the window's size:
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/text_bench [WIDTH HEIGHT]

#include <GL/gl.h>
#include <SDL.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/window.h"
#include "render/caption.h"
#include "render/text_font.h"

namespace {

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double lastCpuMs = 0;  // the CPU time of the last frameMs

// The caption's part of a frame (the frame cleared first, untimed), wall-clock ms.
double frameMs(const std::string& name) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
    const double cpuStart = cpuMs();
    const auto start = std::chrono::steady_clock::now();
    drawCaption(name.c_str());
    glFinish();
    lastCpuMs = cpuMs() - cpuStart;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::string utf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6)), out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12)), out += char(0x80 | ((c >> 6) & 0x3F)), out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18)), out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F)), out += char(0x80 | (c & 0x3F));
    }
    return out;
}

// A caption of `count` characters from `first` on, a space after every fifth.
std::string captionFrom(char32_t first, int count) {
    std::string name;
    for (int i = 0; i < count; ++i) name += utf8(first + char32_t(i)) + (i % 5 == 4 ? " " : "");
    return name;
}

struct Script {
    const char* label;
    char32_t first;  // the trials' captions take characters from here on
    int count;       // characters in one caption
};

}  // namespace

int main(int argc, char** argv) {
    const int width = argc > 2 ? std::atoi(argv[1]) : 1920, height = argc > 2 ? std::atoi(argv[2]) : 1080;
    if (SDL_Init(SDL_INIT_VIDEO) < 0 || !SDL_SetVideoMode(width, height, 0, SDL_OPENGL)) {
        std::fprintf(stderr, "text_bench: no %dx%d GL window: %s\n", width, height, SDL_GetError());
        return 1;
    }
    screenWidth = width;
    screenHeight = height;
    init_gl();
    std::printf("Window %d x %d, GL renderer %s\n", width, height, reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    const Script scripts[] = {
        {"Cyrillic (caption face)", 0x0410, 20}, {"Greek (caption face)", 0x0391, 17},
        {"CJK ideographs", 0x5000, 12},          {"Hangul", 0xAC00, 12},
        {"Japanese kana", 0x30A2, 12},           {"Emoji (Symbola)", 0x1F300, 8},
    };
    const int trials = 15;
    {
        TextFont font;
        textFont = &font;
        frameMs("Warm Up");
        std::vector<double> latin;
        for (int i = 0; i < 20; ++i) latin.push_back(frameMs("The Quoted Band - Live & Loud"));
        std::printf("Caption size %d px; a caption whose glyphs are all in the atlas: %.2f ms (median of 20)\n\n",
                    captionPixelHeight(height, font.capHeightPerEm()), median(latin));
        textFont = nullptr;
    }
    std::printf("%-26s %12s %12s %12s %14s\n", "first caption in", "extra median", "extra p90", "extra max",
                "CPU extra med.");
    for (const Script& script : scripts) {
        std::vector<double> extra, cpuExtra;
        for (int trial = 0; trial < trials; ++trial) {
            TextFont font;  // a fresh atlas; the fallback face is looked up and opened again
            textFont = &font;
            frameMs("The Quoted Band - Live & Loud");
            const std::string name = captionFrom(script.first + char32_t(trial * script.count), script.count);
            const double first = frameMs(name);
            const double firstCpu = lastCpuMs;
            const double again = frameMs(name);
            extra.push_back(first - again);
            cpuExtra.push_back(firstCpu - lastCpuMs);
            textFont = nullptr;
        }
        std::sort(extra.begin(), extra.end());
        std::printf("%-26s %9.2f ms %9.2f ms %9.2f ms %11.2f ms\n", script.label, median(extra),
                    extra[extra.size() * 9 / 10], extra.back(), median(cpuExtra));
    }
    // More new characters of a script whose face is already open.
    TextFont font;
    textFont = &font;
    frameMs(captionFrom(0x4E00, 12));
    std::vector<double> extra;
    for (int trial = 1; trial <= 20; ++trial) {
        const std::string name = captionFrom(0x4E00 + char32_t(trial * 12), 12);
        const double first = frameMs(name);
        extra.push_back(first - frameMs(name));
    }
    std::printf("\n12 new CJK characters from the open face: %.2f ms extra (median of 20), %.2f ms at most\n",
                median(extra), *std::max_element(extra.begin(), extra.end()));
    textFont = nullptr;
    SDL_Quit();
    return 0;
}
