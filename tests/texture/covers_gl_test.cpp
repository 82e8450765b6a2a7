// Covers filling in, seen from outside: the real program on a real X server,
// its window photographed after it has come to rest.
#include <gtest/gtest.h>

#include <cstdio>

#include "pictures/picture_writer.h"
#include "support/browser_run.h"
#include "support/temp_dir.h"
#include "support/x11_window.h"

namespace {

constexpr int kAlbums = 30;

// Album i's cover: one flat colour of its own, so the middle of the window
// tells which picture stands there.
RgbPicture coverOf(int i) {
    return solidPicture(64, 64, uint8_t(40 + 7 * i), uint8_t(220 - 5 * i), uint8_t((i % 3) * 100));
}

std::string makeColouredLibrary(const TempDir& dir) {
    std::string music = dir.makeFolder("music");
    char name[32];
    for (int i = 0; i < kAlbums; ++i) {
        std::snprintf(name, sizeof name, "album %05d", i);
        std::string folder = dir.makeFolder(std::string("music/") + name);
        // Lossless formats only: the colour must come through exactly.
        if (i % 2)
            writePng(folder + "/cover.png", coverOf(i), PngKind::Rgb);
        else
            writeBmp(folder + "/Folder.BMP", coverOf(i));
    }
    return music;
}

struct Colour {
    int r, g, b;
};

Colour middleOf(unsigned long window) {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels = grabWindow(window, &width, &height);
    if (pixels.empty()) return {-1, -1, -1};
    size_t at = (size_t(height / 2) * width + width / 2) * 3;
    return {pixels[at], pixels[at + 1], pixels[at + 2]};
}

bool near(const Colour& seen, const RgbPicture& cover) {
    // The middle cover faces the light squarely: its texels show at full value.
    const uint8_t* texel = cover.at(0, 0);
    return std::abs(seen.r - texel[0]) <= 8 && std::abs(seen.g - texel[1]) <= 8 && std::abs(seen.b - texel[2]) <= 8;
}

TEST(CoversOnScreen, TheMiddleCoverShowsItsPictureAndFollowsTheSelection) {
    TempDir pictures;
    BrowserOptions options;
    options.musicFolder = makeColouredLibrary(pictures);
    options.autoplay = true;  // the recorded hand-over says which album is selected
    BrowserRun browser(options);
    std::vector<PlayerCall> calls = browser.waitPlayerCalls(1);
    ASSERT_EQ(calls.size(), 1u) << browser.process->err();
    const int selected = BrowserRun::albumIndex(calls[0].argument);
    ASSERT_NE(browser.window(), 0u) << browser.process->err();

    Colour seen{};
    EXPECT_TRUE(waitFor([&] { return near(seen = middleOf(browser.window()), coverOf(selected)); }, 15000))
        << "middle pixel " << seen.r << "," << seen.g << "," << seen.b << " for album " << selected;

    pressKeys(browser.window(), {"Right"});
    const int next = std::min(selected + 1, kAlbums - 1);
    EXPECT_TRUE(waitFor([&] { return near(seen = middleOf(browser.window()), coverOf(next)); }, 15000))
        << "middle pixel " << seen.r << "," << seen.g << "," << seen.b << " for album " << next;
}

}  // namespace
