#include "texture/cover_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pictures/picture_writer.h"
#include "support/temp_dir.h"

namespace {

struct Rgb8 {
    int r, g, b;
};

Rgb8 pixelAt(const CoverPicture& picture, int x, int y) {
    const uint8_t* p = &picture.pixels[size_t(y) * picture.pitch + size_t(x) * 3];
    return {p[0], p[1], p[2]};
}

void expectNear(Rgb8 got, Rgb8 want, int tolerance, const std::string& what) {
    EXPECT_NEAR(got.r, want.r, tolerance) << what;
    EXPECT_NEAR(got.g, want.g, tolerance) << what;
    EXPECT_NEAR(got.b, want.b, tolerance) << what;
}

// Every pixel of a usable picture is within `tolerance` of `want`, and the
// buffer has exactly the size its pitch says.
void expectUniform(const CoverPicture& picture, Rgb8 want, int tolerance, const std::string& what) {
    ASSERT_TRUE(picture.usable()) << what << ": " << picture.failure;
    ASSERT_EQ(picture.pixels.size(), size_t(picture.pitch) * picture.height) << what;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            Rgb8 got = pixelAt(picture, x, y);
            if (std::abs(got.r - want.r) > tolerance || std::abs(got.g - want.g) > tolerance ||
                std::abs(got.b - want.b) > tolerance) {
                ADD_FAILURE() << what << ": pixel " << x << "," << y << " is " << got.r << "," << got.g << ","
                              << got.b;
                return;
            }
        }
}

// A small picture where every pixel differs and at most 256 colours occur.
RgbPicture patternPicture(int width, int height) {
    RgbPicture picture = solidPicture(width, height, 0, 0, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = picture.at(x, y);
            p[0] = uint8_t(x * 6);
            p[1] = uint8_t(y * 40);
            p[2] = uint8_t(255 - x * 3);
        }
    return picture;
}

void patchBytes(const std::string& path, size_t offset, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    std::fseek(file, long(offset), SEEK_SET);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::string asText(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A 35-byte 1 x 1 GIF whose only pixel is palette entry 0; the offsets say
// where its image descriptor's width and its LZW minimum code size are.
std::vector<uint8_t> tinyGif(uint8_t red, uint8_t green, uint8_t blue) {
    return {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0,       // screen 1 x 1, 2 colours
            red, green, blue, 0, 0, 0,                                 // colour table
            0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0,                           // image 1 x 1 at 0,0
            2, 2, 0x44, 0x01, 0,                                       // LZW data
            0x3B};
}
const size_t kGifImageWidthOffset = 24;
const size_t kGifCodeSizeOffset = 29;

}  // namespace

TEST(CoverPicture, DecodesEveryCoverFormatToTrueRgb) {
    TempDir dir;
    RgbPicture red = solidPicture(16, 16, 255, 0, 0);
    ASSERT_TRUE(writeJpeg(dir.at("red.jpg"), red, 95));
    ASSERT_TRUE(writeJpeg(dir.at("progressive.jpg"), red, 95, false, nullptr, true));
    ASSERT_TRUE(writePng(dir.at("alpha.png"), red, PngKind::Rgba, 8, 128));
    ASSERT_TRUE(writePng(dir.at("palette.png"), red, PngKind::Palette));
    ASSERT_TRUE(writePng(dir.at("deep.png"), red, PngKind::Rgb, 16));
    ASSERT_TRUE(writePng(dir.at("deep-alpha.png"), red, PngKind::Rgba, 16, 10));
    ASSERT_TRUE(writeBmp(dir.at("red.bmp"), red));
    ASSERT_TRUE(writeJpeg(dir.at("grey.jpg"), solidPicture(16, 16, 128, 128, 128), 95, true));
    ASSERT_TRUE(writePng(dir.at("grey.png"), solidPicture(16, 16, 128, 128, 128), PngKind::Grey));
    ASSERT_TRUE(writePng(dir.at("grey16.png"), solidPicture(16, 16, 60, 60, 60), PngKind::GreyAlpha, 16, 7));

    expectUniform(decodeCoverPicture(dir.at("red.jpg").c_str()), {255, 0, 0}, 6, "red JPEG");
    expectUniform(decodeCoverPicture(dir.at("progressive.jpg").c_str()), {255, 0, 0}, 6, "progressive JPEG");
    // Alpha is dropped, not blended toward black.
    expectUniform(decodeCoverPicture(dir.at("alpha.png").c_str()), {255, 0, 0}, 0, "red PNG with alpha");
    expectUniform(decodeCoverPicture(dir.at("palette.png").c_str()), {255, 0, 0}, 0, "red palettised PNG");
    expectUniform(decodeCoverPicture(dir.at("deep.png").c_str()), {255, 0, 0}, 0, "red 16-bit PNG");
    expectUniform(decodeCoverPicture(dir.at("deep-alpha.png").c_str()), {255, 0, 0}, 0, "red 16-bit RGBA PNG");
    expectUniform(decodeCoverPicture(dir.at("red.bmp").c_str()), {255, 0, 0}, 0, "red 24-bit BMP");
    expectUniform(decodeCoverPicture(dir.at("grey.jpg").c_str()), {128, 128, 128}, 3, "grey JPEG");
    expectUniform(decodeCoverPicture(dir.at("grey.png").c_str()), {128, 128, 128}, 0, "grey PNG");
    expectUniform(decodeCoverPicture(dir.at("grey16.png").c_str()), {60, 60, 60}, 0, "16-bit grey+alpha PNG");
}

TEST(CoverPicture, KeepsEveryPixelInPlaceAtOddWidthsWithPaddedRows) {
    TempDir dir;
    for (int width : {1, 2, 3, 5, 37}) {
        RgbPicture pattern = patternPicture(width, 5);
        std::string name = std::to_string(width);
        ASSERT_TRUE(writePng(dir.at(name + ".png"), pattern, PngKind::Rgb));
        ASSERT_TRUE(writePng(dir.at(name + "-palette.png"), pattern, PngKind::Palette));
        ASSERT_TRUE(writePng(dir.at(name + "-alpha.png"), pattern, PngKind::Rgba, 16));
        ASSERT_TRUE(writeBmp(dir.at(name + ".bmp"), pattern));
        for (const char* kind : {".png", "-palette.png", "-alpha.png", ".bmp"}) {
            std::string what = name + kind;
            CoverPicture picture = decodeCoverPicture(dir.at(what).c_str());
            ASSERT_TRUE(picture.usable()) << what << ": " << picture.failure;
            EXPECT_EQ(picture.width, width) << what;
            EXPECT_EQ(picture.height, 5) << what;
            EXPECT_EQ(picture.pitch, (width * 3 + 3) / 4 * 4) << what;
            ASSERT_EQ(picture.pixels.size(), size_t(picture.pitch) * 5) << what;
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < width; ++x) {
                    const uint8_t* want = pattern.at(x, y);
                    expectNear(pixelAt(picture, x, y), {want[0], want[1], want[2]}, 0,
                               what + " at " + std::to_string(x) + "," + std::to_string(y));
                }
        }
    }
}

TEST(CoverPicture, KeepsTheTopRowFirstAndRedGreenBlueOrder) {
    TempDir dir;
    RgbPicture quadrants = quadrantPicture(32);
    ASSERT_TRUE(writeJpeg(dir.at("q.jpg"), quadrants, 95));
    ASSERT_TRUE(writePng(dir.at("q.png"), quadrants, PngKind::Rgb));
    ASSERT_TRUE(writeBmp(dir.at("q.bmp"), quadrants));
    for (const char* name : {"q.jpg", "q.png", "q.bmp"}) {
        CoverPicture picture = decodeCoverPicture(dir.at(name).c_str());
        ASSERT_TRUE(picture.usable()) << name << ": " << picture.failure;
        expectNear(pixelAt(picture, 8, 8), {255, 0, 0}, 12, std::string(name) + " top left");
        expectNear(pixelAt(picture, 24, 8), {0, 255, 0}, 12, std::string(name) + " top right");
        expectNear(pixelAt(picture, 8, 24), {0, 0, 255}, 12, std::string(name) + " bottom left");
        expectNear(pixelAt(picture, 24, 24), {255, 255, 255}, 12, std::string(name) + " bottom right");
    }
}

TEST(CoverPicture, RefusesWhatIsNotAWholePictureWithAReason) {
    TempDir dir;
    RgbPicture cover = makeCoverPicture(64, 3);
    dir.writeFile("empty.jpg", "");
    ASSERT_TRUE(writeTruncatedJpeg(dir.at("half.jpg"), cover, 0.5));
    ASSERT_TRUE(writeTruncatedJpeg(dir.at("header-only.jpg"), cover, 0.05));
    std::vector<uint8_t> whole = encodeJpeg(cover);
    ASSERT_GT(whole.size(), 2u);
    dir.writeFile("no-end.jpg", asText(std::vector<uint8_t>(whole.begin(), whole.end() - 2)));
    ASSERT_TRUE(writePng(dir.at("whole.png"), cover, PngKind::Rgb));
    {
        std::FILE* file = std::fopen(dir.at("whole.png").c_str(), "rb");
        ASSERT_NE(file, nullptr);
        std::vector<char> bytes(1 << 20);
        size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        dir.writeFile("half.png", std::string(bytes.data(), got / 2));
    }
    dir.writeFile("notes.jpg", "These are the liner notes, not a picture.\n");
    dir.writeFile("noise.png", std::string("\x01\x02\x03\x04\xfe\xfd\xfc", 7) + std::string(500, '\x55'));
    dir.writeFile("only-bm.bmp", "BM");

    struct Case {
        const char* file;
        const char* reasonHas;
    };
    for (Case c : {Case{"empty.jpg", "empty"}, Case{"half.jpg", "truncated"}, Case{"header-only.jpg", "truncated"},
                   Case{"no-end.jpg", "end-of-image"}, Case{"half.png", ""}, Case{"notes.jpg", "not a"},
                   Case{"noise.png", "not a"}, Case{"only-bm.bmp", "truncated"}, Case{"missing.png", "open"}}) {
        CoverPicture picture = decodeCoverPicture(dir.at(c.file).c_str());
        EXPECT_FALSE(picture.usable()) << c.file;
        EXPECT_NE(picture.failure.find(c.reasonHas), std::string::npos) << c.file << ": " << picture.failure;
        EXPECT_FALSE(picture.failure.empty()) << c.file;
        EXPECT_TRUE(picture.pixels.empty()) << c.file;
        EXPECT_EQ(picture.width, 0) << c.file;
    }

    // A whole JPEG with bytes after its end is still a picture.
    std::vector<uint8_t> padded = whole;
    padded.insert(padded.end(), 300, 0);
    dir.writeFile("padded.jpg", asText(padded));
    EXPECT_TRUE(decodeCoverPicture(dir.at("padded.jpg").c_str()).usable());
}

TEST(CoverPicture, RefusesEnormousPicturesFromTheirHeaderBeforeDecoding) {
    TempDir dir;
    ASSERT_TRUE(writePngClaimingSize(dir.at("huge.png"), 30000, 30000));

    // JPEG: the frame header's height and width, big-endian, after the marker and length.
    std::vector<uint8_t> jpeg = encodeJpeg(solidPicture(8, 8, 1, 2, 3));
    size_t sof = 2;  // walk the segments from the one after SOI
    while (sof + 3 < jpeg.size() && jpeg[sof + 1] != 0xC0) sof += 2 + (jpeg[sof + 2] << 8 | jpeg[sof + 3]);
    ASSERT_LT(sof + 9, jpeg.size());
    const std::vector<uint8_t> size30000 = {30000 >> 8, 30000 & 0xFF, 30000 >> 8, 30000 & 0xFF};
    std::copy(size30000.begin(), size30000.end(), jpeg.begin() + long(sof + 5));
    dir.writeFile("huge.jpg", asText(jpeg));

    ASSERT_TRUE(writeBmp(dir.at("huge.bmp"), solidPicture(4, 4, 0, 0, 0)));
    patchBytes(dir.at("huge.bmp"), 18, {0x30, 0x75, 0, 0, 0xD0, 0x8A, 0xFF, 0xFF});  // 30000 x -30000

    // Within each side's limit but far too many pixels in all.
    ASSERT_TRUE(writePngClaimingSize(dir.at("wide.png"), 16000, 16000));
    // One more than every decoder can make: SDL cannot make a surface 16384 wide.
    ASSERT_TRUE(writePngClaimingSize(dir.at("too-wide.png"), 16384, 1));

    for (const char* name : {"huge.png", "huge.jpg", "huge.bmp"}) {
        CoverPicture picture = decodeCoverPicture(dir.at(name).c_str());
        EXPECT_FALSE(picture.usable()) << name;
        // The reason quotes the header's claim, so it came from the header check.
        EXPECT_NE(picture.failure.find("30000 x 30000"), std::string::npos) << name << ": " << picture.failure;
    }
    EXPECT_NE(decodeCoverPicture(dir.at("wide.png").c_str()).failure.find("16000 x 16000"), std::string::npos);
    EXPECT_NE(decodeCoverPicture(dir.at("too-wide.png").c_str()).failure.find("16384 x 1"), std::string::npos);

    // The largest side allowed still passes the header check.
    ASSERT_TRUE(writePng(dir.at("tall.png"), solidPicture(1, kMaxCoverSide, 0, 255, 0), PngKind::Rgb));
    CoverPicture tall = decodeCoverPicture(dir.at("tall.png").c_str());
    ASSERT_TRUE(tall.usable()) << tall.failure;
    EXPECT_EQ(tall.height, kMaxCoverSide);
    EXPECT_EQ(tall.pitch, 4);
}

// Fuzzing found GIF content that crashes or freezes SDL_image's GIF decoder;
// GIF is not a cover format, so every GIF is refused by its content, under
// any name, before a decoder sees it.
TEST(CoverPicture, RefusesGifContentWhateverTheFileIsCalled) {
    TempDir dir;
    std::vector<uint8_t> wide = tinyGif(255, 0, 0);  // says 16384 pixels wide: SDL cannot make that surface
    wide[6] = 0x00, wide[7] = 0x40;
    wide[kGifImageWidthOffset] = 0x00, wide[kGifImageWidthOffset + 1] = 0x40;
    std::vector<uint8_t> endless = tinyGif(0, 255, 0);  // LZW minimum code size 13: an endless loop
    endless[kGifCodeSizeOffset] = 13;
    std::vector<uint8_t> overrun = tinyGif(0, 0, 255);  // codes that overrun the decoder's stack
    overrun.insert(overrun.begin() + long(kGifCodeSizeOffset + 1), {8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    ASSERT_EQ(wide.size(), 35u);
    for (const char* folder : {"wide", "endless", "overrun", "plain"}) dir.makeFolder(folder);
    dir.writeFile("wide/cover.jpg", asText(wide));
    dir.writeFile("endless/cover.png", asText(endless));
    dir.writeFile("overrun/cover.bmp", asText(overrun));
    dir.writeFile("plain/cover.gif", asText(tinyGif(255, 0, 0)));
    for (const char* file : {"wide/cover.jpg", "endless/cover.png", "overrun/cover.bmp", "plain/cover.gif"}) {
        CoverPicture picture = decodeCoverPicture(dir.at(file).c_str());
        EXPECT_FALSE(picture.usable()) << file;
        EXPECT_NE(picture.failure.find("GIF"), std::string::npos) << file << ": " << picture.failure;
        CoverTexels texels = decodeCoverFile(dir.at(file), 400);
        EXPECT_NE(texels.failure.find("GIF"), std::string::npos) << file << ": " << texels.failure;
        EXPECT_TRUE(texels.levels.empty()) << file;
    }
}
