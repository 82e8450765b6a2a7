// Cover texture streaming against a real music folder on disk, the real album
// library, the real loader thread and a real GL context; colours are checked
// in the drawn frame.

#include "texture/texture_streaming.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "library/albums_loader.h"
#include "pictures/picture_writer.h"
#include "render/projection.h"
#include "render/render_fixture.h"
#include "support/gl_window.h"
#include "support/streaming_fixture.h"
#include "support/temp_dir.h"
#include "texture/cover_picture.h"
#include "texture/gl_texture.h"

namespace {

std::string albumName(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "album%02d", i);
    return name;
}

// album00 .. album<count-1>, each with a small PNG cover unless listed in `withoutCover`.
void makeLibrary(const TempDir& dir, int count, const std::set<int>& withoutCover = {}, int size = 8) {
    for (int i = 0; i < count; ++i) {
        std::string folder = dir.makeFolder(albumName(i));
        dir.writeFile(albumName(i) + "/01 - Track.mp3", "");
        if (withoutCover.count(i)) continue;
        ASSERT_TRUE(writePng(folder + "/cover.png", solidPicture(size, size, uint8_t(i * 20), 100, 50), PngKind::Rgb));
    }
}

// Draws the texture over the whole window, unlit and unblended, so each
// window pixel shows a texel; the first picture row is at the top.
void drawFullWindow(GLuint texture) {
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(-1, 1);
    glTexCoord2f(1, 0), glVertex2f(1, 1);
    glTexCoord2f(1, 1), glVertex2f(1, -1);
    glTexCoord2f(0, 1), glVertex2f(-1, -1);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

void expectPixel(int x, int y, Rgb want, int tolerance, const std::string& what) {
    Rgb got = readPixel(x, y);
    EXPECT_NEAR(got.r, want.r, tolerance) << what << " at " << x << "," << y;
    EXPECT_NEAR(got.g, want.g, tolerance) << what << " at " << x << "," << y;
    EXPECT_NEAR(got.b, want.b, tolerance) << what << " at " << x << "," << y;
}

// Red on the left half, blue on the right.
RgbPicture halvesPicture(int width, int height) {
    RgbPicture picture = solidPicture(width, height, 255, 0, 0);
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x) {
            uint8_t* p = picture.at(x, y);
            p[0] = 0, p[2] = 255;
        }
    return picture;
}

// Waits until the covers asked for are decoded and wait for upload, `bytes`
// of textures in all, with nothing in hand.
void waitForDecoded(StreamingFixture& streaming, size_t bytes) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (streaming.streaming->waitingBytes() != bytes) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the covers were never decoded";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace

TEST(TextureStreaming, LoadsTheNearestAlbumFirst) {
    GlWindow window;
    TempDir dir;
    makeLibrary(dir, 10);
    {
        StreamingFixture streaming(dir.path());
        ASSERT_EQ(streaming.count(), 10);
        EXPECT_EQ(streaming.settle(0.0f, 4), (std::vector<int>{0, 1, 2, 3}));
    }
    {
        StreamingFixture streaming(dir.path());
        EXPECT_EQ(streaming.settle(5.0f, 4), (std::vector<int>{5, 6, 4, 7, 3, 8, 2}));
        for (int i : {5, 6, 4, 7, 3, 8, 2}) EXPECT_NE(textures[i].texID, 0u) << i;
        for (int i : {0, 1, 9}) EXPECT_EQ(textures[i].texID, 0u) << i;
        for (int i : {5, 6, 4, 7, 3, 8, 2}) EXPECT_TRUE(albums->getAlbumLoaded(i)) << i;
    }
    {
        StreamingFixture streaming(dir.path());
        EXPECT_EQ(streaming.settle(4.7f, 2), (std::vector<int>{4, 5, 3}));  // truncated: 4 before 5
        EXPECT_EQ(streaming.settle(9.0f, 3), (std::vector<int>{9, 8, 7}));  // past the last album: skipped
        EXPECT_EQ(streaming.settle(9.0f, 0), (std::vector<int>{}));
    }
}

TEST(TextureStreaming, CoversDecodedTogetherGoUpInOneStepWithinTheUploadBudget) {
    GlWindow window;
    StillClock still(1000);  // the step's time never runs out here: its bytes bound it
    {
        // Three small covers asked for; once all are decoded, the next step
        // uploads every one still waiting, nearest first.
        TempDir dir;
        makeLibrary(dir, 10);
        StreamingFixture streaming(dir.path());
        std::vector<int> shown = streaming.stepOnce(5.0f, 2);
        waitForDecoded(streaming, (3 - shown.size()) * CoverTexels::coverTextureBytes(8));
        const std::vector<int> next = streaming.stepOnce(5.0f, 2);
        shown.insert(shown.end(), next.begin(), next.end());
        EXPECT_EQ(shown, (std::vector<int>{5, 6, 4}));
        EXPECT_EQ(streaming.streaming->waitingBytes(), 0u);
    }
    {
        // 1024-texel covers (a large window) go one a step: the first of a
        // step goes whatever its size, a second would pass the budget.
        TempDir dir;
        makeLibrary(dir, 3, {}, 1000);
        StreamingFixture streaming(dir.path());
        const int coverHeight = middleCoverPixelHeight(1600, 1600);
        std::vector<int> shown = streaming.stepOnce(1.0f, 2, coverHeight);
        waitForDecoded(streaming, (3 - shown.size()) * CoverTexels::coverTextureBytes(1024));
        while (shown.size() < 3) {
            const std::vector<int> next = streaming.stepOnce(1.0f, 2, coverHeight);
            ASSERT_EQ(next.size(), 1u) << "after " << shown.size() << " covers";
            shown.push_back(next[0]);
        }
        EXPECT_EQ(shown, (std::vector<int>{1, 2, 0}));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(textures[i].width, 1024) << i;
    }
}

TEST(TextureStreaming, SkipsAlbumsWithoutAPictureAndLoadsNothingTwice) {
    GlWindow window;
    TempDir dir;
    makeLibrary(dir, 12, {5, 6});
    StreamingFixture streaming(dir.path());
    EXPECT_EQ(streaming.settle(5.0f, 3), (std::vector<int>{4, 7, 3}));
    EXPECT_FALSE(albums->getAlbumLoaded(5));
    EXPECT_FALSE(albums->getAlbumLoaded(6));
    EXPECT_EQ(textures[5].texID, 0u);

    // A wider radius afterwards takes only the albums not yet loaded.
    EXPECT_EQ(streaming.settle(5.0f, 20), (std::vector<int>{8, 2, 9, 1, 10, 0, 11}));
    std::set<GLuint> names;
    for (int i = 0; i < 12; ++i) {
        if (i == 5 || i == 6) continue;
        EXPECT_TRUE(glIsTexture(textures[i].texID)) << i;
        names.insert(textures[i].texID);
    }
    EXPECT_EQ(names.size(), 10u) << "every album has a texture of its own";
    EXPECT_EQ(streaming.settle(5.0f, 20), (std::vector<int>{}));
}

TEST(TextureStreaming, UploadsEveryMipLevelNearestFilteredAndLeavesItBound) {
    GlWindow window;
    TempDir dir;
    makeLibrary(dir, 1);
    StreamingFixture streaming(dir.path());
    ASSERT_EQ(streaming.settle(0.0f, 1), std::vector<int>{0});
    GLuint name = textures[0].texID;
    ASSERT_NE(name, 0u);
    EXPECT_TRUE(albums->getAlbumLoaded(0));
    EXPECT_EQ(textures[0].width, 8) << "an 8 x 8 cover is not blown up";
    EXPECT_EQ(streaming.streaming->residentBytes(), CoverTexels::coverTextureBytes(8));

    GLint bound = 0, mag = 0, min = 0, smallest = 0, format = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), name);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
    EXPECT_EQ(mag, GL_NEAREST);
    EXPECT_EQ(min, GL_NEAREST_MIPMAP_NEAREST);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &smallest);  // 8 -> 4 -> 2 -> 1
    EXPECT_EQ(smallest, 1);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_TRUE(format == 3 || format == GL_RGB || format == GL_RGB8) << format;
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "the strip enables texturing, not the loader";
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4) << "the unpack state is given back";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(TextureStreaming, EveryCoverFormatShowsItsTrueColourInTheFrame) {
    GlWindow window;
    TempDir dir;
    RgbPicture red = solidPicture(16, 16, 255, 0, 0);
    struct Cover {
        std::string file;
        Rgb colour;
        int tolerance;
    };
    std::vector<Cover> covers = {{"cover.jpg", {255, 0, 0}, 8},  {"cover.png", {255, 0, 0}, 0},
                                 {"cover.png", {255, 0, 0}, 0},  {"cover.png", {255, 0, 0}, 0},
                                 {"cover.bmp", {255, 0, 0}, 0},  {"cover.jpg", {128, 128, 128}, 4},
                                 {"Cover.PNG", {255, 0, 0}, 0},  {"cover.jpg", {255, 0, 0}, 8}};
    for (size_t i = 0; i < covers.size(); ++i) dir.makeFolder(albumName(int(i)));
    auto at = [&](int i) { return dir.at(albumName(i) + "/" + covers[size_t(i)].file); };
    ASSERT_TRUE(writeJpeg(at(0), red, 95));
    ASSERT_TRUE(writePng(at(1), red, PngKind::Rgba, 8, 100));
    ASSERT_TRUE(writePng(at(2), red, PngKind::Palette));
    ASSERT_TRUE(writePng(at(3), red, PngKind::Rgb, 16));
    ASSERT_TRUE(writeBmp(at(4), red));
    ASSERT_TRUE(writeJpeg(at(5), solidPicture(16, 16, 128, 128, 128), 95, true));
    ASSERT_TRUE(writePng(at(6), red, PngKind::Rgba, 16, 0));
    ASSERT_TRUE(writeJpeg(at(7), solidPicture(2000, 1500, 255, 0, 0), 90));
    const char* what[] = {"red JPEG",       "red PNG with alpha", "red palettised PNG",      "red 16-bit PNG",
                          "red 24-bit BMP", "grey JPEG",          "red 16-bit PNG, alpha 0", "red 2000 x 1500 JPEG"};

    StreamingFixture streaming(dir.path());
    EXPECT_EQ(streaming.settle(0.0f, 10).size(), covers.size());
    EXPECT_EQ(textures[7].width, 512) << "a large cover is scaled to the screen";
    for (size_t i = 0; i < covers.size(); ++i) {
        ASSERT_NE(textures[i].texID, 0u) << what[i];
        drawFullWindow(textures[i].texID);
        for (auto [x, y] : {std::pair{300, 300}, std::pair{10, 10}, std::pair{590, 590}})
            expectPixel(x, y, covers[i].colour, covers[i].tolerance, what[i]);
    }
}

TEST(TextureStreaming, PicturesKeepTheirOrientationAndOddWidthsDoNotShear) {
    GlWindow window;
    TempDir dir;
    dir.makeFolder("album00");
    dir.makeFolder("album01");
    dir.makeFolder("album02");
    dir.makeFolder("album03");
    ASSERT_TRUE(writePng(dir.at("album00/cover.png"), quadrantPicture(16), PngKind::Rgb));
    ASSERT_TRUE(writeJpeg(dir.at("album01/cover.jpg"), halvesPicture(37, 23), 95));
    ASSERT_TRUE(writeBmp(dir.at("album02/cover.bmp"), halvesPicture(37, 23)));
    ASSERT_TRUE(writePng(dir.at("album03/cover.png"), quadrantPicture(1601), PngKind::Rgb, 16));
    StreamingFixture streaming(dir.path());
    EXPECT_EQ(streaming.settle(0.0f, 4).size(), 4u);

    for (int album : {0, 3}) {
        drawFullWindow(textures[album].texID);
        expectPixel(150, 150, {255, 0, 0}, 0, "top left");
        expectPixel(450, 150, {0, 255, 0}, 0, "top right");
        expectPixel(150, 450, {0, 0, 255}, 0, "bottom left");
        expectPixel(450, 450, {255, 255, 255}, 0, "bottom right");
    }

    // A row pitch off by a byte would shift the colour channels more with
    // every row: the bottom rows would no longer be red and blue.
    for (int album : {1, 2}) {
        drawFullWindow(textures[album].texID);
        std::string what = album == 1 ? "37 x 23 JPEG" : "37 x 23 BMP";
        for (int y : {5, 300, 595}) {
            expectPixel(60, y, {255, 0, 0}, 24, what + " left");
            expectPixel(540, y, {0, 0, 255}, 24, what + " right");
        }
    }
}

TEST(TextureStreaming, AnUnusablePictureIsTriedOnceWithOneLineAndLeftUntextured) {
    GlWindow window;
    TempDir dir;
    RgbPicture cover = makeCoverPicture(64, 9);
    std::vector<std::string> files;
    for (int i = 0; i < 7; ++i) dir.makeFolder(albumName(i));
    files.push_back(dir.writeFile("album00/cover.jpg", ""));
    files.push_back(dir.at("album01/cover.jpg"));
    ASSERT_TRUE(writeTruncatedJpeg(files.back(), cover, 0.5));
    files.push_back(dir.writeFile("album02/cover.png", std::string(300, '\x17')));
    files.push_back(dir.writeFile("album03/cover.jpg", "liner notes, not a picture\n"));
    files.push_back(dir.at("album04/cover.png"));
    ASSERT_TRUE(writePngClaimingSize(files.back(), 30000, 30000));
    files.push_back(dir.at("album05/cover.jpg"));
    ASSERT_EQ(mkfifo(files.back().c_str(), 0644), 0);  // nobody writes: opening it must not wait
    ASSERT_TRUE(writePng(dir.at("album06/cover.png"), cover, PngKind::Rgb));

    StreamingFixture streaming(dir.path());
    testing::internal::CaptureStderr();
    EXPECT_EQ(streaming.settle(3.0f, 10), std::vector<int>{6});
    std::string written = testing::internal::GetCapturedStderr();
    EXPECT_NE(textures[6].texID, 0u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(textures[i].texID, 0u) << files[size_t(i)];
        EXPECT_TRUE(albums->getAlbumLoaded(i)) << files[size_t(i)] << " is marked as dealt with";
        const std::string line = "vellora: cannot show the cover " + files[size_t(i)] + ": ";
        EXPECT_NE(written.find(line), std::string::npos) << written;
        EXPECT_EQ(written.find(line), written.rfind(line)) << "one line per picture:\n" << written;
    }
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 6) << written;

    // Had any bad file been read again, it would now make a texture.
    for (const std::string& file : files) {
        std::remove(file.c_str());
        ASSERT_TRUE(writePng(file, cover, PngKind::Rgb));
    }
    EXPECT_EQ(streaming.settle(3.0f, 10), std::vector<int>{});
    for (int i = 0; i < 6; ++i) EXPECT_EQ(textures[i].texID, 0u) << files[size_t(i)];
}

TEST(TextureStreaming, StaysWithinTheBudgetFarthestFirstAndBringsCoversBackWhenNear) {
    GlWindow window;
    TempDir dir;
    makeLibrary(dir, 90, {}, 64);
    const size_t each = CoverTexels::coverTextureBytes(64);
    StreamingFixture streaming(dir.path(), each * 45);  // the strip's 41 and a few more
    for (int at = 0; at < 90; at += 5) {
        streaming.settle(float(at), 10);
        EXPECT_LE(streaming.streaming->residentBytes(), each * 45) << "at " << at;
    }
    // Walking right left the first albums farthest behind: they went first.
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(textures[i].texID, 0u) << i;
        EXPECT_FALSE(albums->getAlbumLoaded(i)) << i;
    }
    for (int i = 80; i < 90; ++i) EXPECT_NE(textures[i].texID, 0u) << i;
    // Back at the start, the released covers come back.
    std::vector<int> back = streaming.settle(0.0f, 10);
    EXPECT_EQ(back.size(), 10u);
    for (int i = 0; i < 10; ++i) EXPECT_NE(textures[i].texID, 0u) << i;
    EXPECT_LE(streaming.streaming->residentBytes(), each * 45);
}

TEST(TextureStreaming, ACoverIsDecodedAgainWhenTheWindowHeightChangesAndGoesWhenItsPictureHas) {
    GlWindow window;
    TempDir dir;
    makeLibrary(dir, 3, {}, 1000);
    StreamingFixture streaming(dir.path());
    EXPECT_EQ(streaming.settle(1.0f, 2).size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(textures[i].width, 512) << i;
    streaming.settle(1.0f, 2, middleCoverPixelHeight(300, 300));  // a 300-pixel window: the middle cover is 200 high
    for (int i = 0; i < 3; ++i) EXPECT_EQ(textures[i].width, 256) << i;
    EXPECT_EQ(streaming.streaming->residentBytes(), 3 * CoverTexels::coverTextureBytes(256));
    streaming.settle(1.0f, 2, middleCoverPixelHeight(1600, 1600));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(textures[i].width, 1024) << i;

    // A cover whose picture has gone by the next decode: its texture and its
    // memory are given back, and the album is drawn as a plain panel.
    const GLuint gone = textures[1].texID;
    ASSERT_EQ(std::remove(dir.at("album01/cover.png").c_str()), 0);
    streaming.settle(1.0f, 2, middleCoverPixelHeight(600, 600));
    EXPECT_EQ(textures[1].texID, 0u);
    EXPECT_FALSE(glIsTexture(gone)) << "the texture is deleted";
    EXPECT_FALSE(albums->getAlbumLoaded(1));
    for (int i : {0, 2}) EXPECT_EQ(textures[i].width, 512) << i;
    EXPECT_EQ(streaming.streaming->residentBytes(), 2 * CoverTexels::coverTextureBytes(512));
}

// A cover replaced in an album whose texture is kept far behind the
// selection (the budget keeps it, the watch follows its folder): the new
// picture shows once the row comes back, as it does near the selection; and
// so it does when the decode asked for near the selection is dropped by a
// move far away before it is done.
TEST(TextureStreaming, ACoverReplacedFarFromTheSelectionShowsWhenTheRowComesBack) {
    GlWindow window;
    TempDir dir;
    makeLibrary(dir, 40);
    StreamingFixture streaming(dir.path());
    const auto replace = [&](int album) {
        ASSERT_TRUE(writePng(dir.at(albumName(album) + "/cover.png"), solidPicture(8, 8, 250, 250, 250), PngKind::Rgb));
        streaming.streaming->coverChanged(albums->getAlbumKey(album));
    };
    const auto showsTheNewCover = [&](int album, const char* what) {
        ASSERT_NE(textures[album].texID, 0u) << what;
        drawFullWindow(textures[album].texID);
        expectPixel(300, 300, {250, 250, 250}, 0, what);
    };
    streaming.settle(2.0f, 10);
    streaming.settle(35.0f, 10);
    ASSERT_NE(textures[2].texID, 0u) << "kept far behind";
    replace(2);
    streaming.settle(35.0f, 10);
    streaming.settle(2.0f, 10);
    showsTheNewCover(2, "replaced while far away");

    replace(3);
    streaming.settle(2.0f, 10);
    showsTheNewCover(3, "replaced near the selection");

    replace(4);
    streaming.settle(35.0f, 10);
    streaming.settle(2.0f, 10);
    showsTheNewCover(4, "replaced near, then the row moved away at once");
}
