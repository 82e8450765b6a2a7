// Decoding straight to the texture: the size rule, the scaled JPEG, PNG and WebP
// decoders with their mip levels checked pixel by pixel, the memory entry,
// cancelling, silence on library warnings, and files that are not files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pictures/hostile_files.h"
#include "pictures/picture_writer.h"
#include "render/projection.h"
#include "support/temp_dir.h"
#include "texture/box_scaler.h"
#include "texture/cover_picture.h"
#include "texture/picture_rows.h"

namespace {

struct Texel {
    int r, g, b;
};

Texel texelAt(const CoverTexels& texels, size_t level, int x, int y) {
    const int edge = std::max(texels.edge >> level, 1);
    const uint8_t* p = &texels.levels[level][(size_t(y) * edge + x) * 3];
    return {p[0], p[1], p[2]};
}

void expectTexel(const CoverTexels& texels, size_t level, int x, int y, Texel want, int tolerance,
                 const std::string& what) {
    Texel got = texelAt(texels, level, x, y);
    EXPECT_NEAR(got.r, want.r, tolerance) << what << " level " << level << " at " << x << "," << y;
    EXPECT_NEAR(got.g, want.g, tolerance) << what << " level " << level << " at " << x << "," << y;
    EXPECT_NEAR(got.b, want.b, tolerance) << what << " level " << level << " at " << x << "," << y;
}

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A PNG with a tEXt chunk whose CRC is wrong, put after IHDR: libpng warns
// about it and carries on.
std::string withDamagedTextChunk(const std::vector<uint8_t>& png) {
    const size_t afterHeader = 8 + 8 + 13 + 4;
    std::string chunk("\0\0\0\x04tEXta\0bc\xde\xad\xbe\xef", 16);
    std::string bytes(png.begin(), png.end());
    bytes.insert(afterHeader, chunk);
    return bytes;
}

uint32_t crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A whole PNG chunk: length, type, data, CRC.
std::string pngChunk(const std::string& type, const std::string& data) {
    auto big = [](uint32_t value) {
        return std::string{char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    };
    return big(uint32_t(data.size())) + type + data + big(crc32(type + data));
}

// A PNG with an iCCP chunk whose colour profile is too short to be one, as
// real files carry profiles libpng finds fault with: libpng warns and
// ignores the profile. The zlib stream holds one stored block of 132 zeros.
std::string withFaultyProfile(const std::vector<uint8_t>& png) {
    std::string zeros(132, '\0');
    std::string zlib = std::string("\x78\x01\x01\x84\x00\x7b\xff", 7) + zeros + std::string("\x00\x84\x00\x01", 4);
    std::string bytes(png.begin(), png.end());
    bytes.insert(8 + 8 + 13 + 4, pngChunk("iCCP", std::string("icc\0\0", 5) + zlib));
    return bytes;
}

}  // namespace

TEST(CoverTexels, TextureEdgeFollowsTheScreenAndNeverBlowsUpASmallPicture) {
    struct Case {
        int coverHeight, width, height, edge;
    };
    for (Case c : {Case{400, 3000, 3000, 512}, Case{400, 1000, 300, 512}, Case{400, 300, 300, 512},
                   Case{400, 256, 256, 256}, Case{400, 37, 23, 64}, Case{400, 8, 8, 8}, Case{400, 1, 1, 1},
                   Case{1000, 5000, 5000, 1024}, Case{2000, 5000, 5000, 1024}, Case{512, 3000, 10, 512},
                   Case{200, 3000, 3000, 256}, Case{0, 3000, 3000, 1}}) {
        EXPECT_EQ(coverTextureEdge(c.coverHeight, c.width, c.height), c.edge)
            << c.coverHeight << " for " << c.width << " x " << c.height;
    }
    EXPECT_EQ(CoverTexels::coverTextureBytes(4), size_t(16 + 4 + 1) * 4);
}

TEST(CoverTexels, ShrinkingAveragesAreasInsteadOfPickingPixels) {
    // A one-pixel checkerboard of black and white shrunk six times is grey
    // everywhere; picking pixels would give black or white.
    const int size = 60;
    std::vector<uint8_t> row(size * 3);
    BoxScaler scaler(size, size, 10, 10);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) row[size_t(x) * 3] = row[size_t(x) * 3 + 1] = row[size_t(x) * 3 + 2] = (x + y) % 2 ? 255 : 0;
        scaler.addRow(row.data());
    }
    ASSERT_TRUE(scaler.complete());
    for (uint8_t value : scaler.output()) EXPECT_NEAR(value, 128, 1);
}

TEST(CoverTexels, DecodesEveryFormatOfAnySizeToTheTextureWithItsMipLevels) {
    TempDir dir;
    struct Case {
        std::string file;
        int size;
        int edge;
        int tolerance;
    };
    ASSERT_TRUE(writeJpeg(dir.at("big.jpg"), quadrantPicture(3000), 90));
    ASSERT_TRUE(writeJpeg(dir.at("progressive.jpg"), quadrantPicture(1200), 90, false, nullptr, true));
    ASSERT_TRUE(writePng(dir.at("deep.png"), quadrantPicture(1002), PngKind::Rgba, 16));
    ASSERT_TRUE(writePng(dir.at("palette.png"), quadrantPicture(700), PngKind::Palette));
    ASSERT_TRUE(writeBmp(dir.at("small.bmp"), quadrantPicture(40)));
    ASSERT_TRUE(writeWebp(dir.at("big.webp"), quadrantPicture(1500), false));
    ASSERT_TRUE(writeWebp(dir.at("lossless.webp"), quadrantPicture(300), true));
    for (Case c : {Case{"big.jpg", 3000, 512, 10}, Case{"progressive.jpg", 1200, 512, 10},
                   Case{"deep.png", 1002, 512, 0}, Case{"palette.png", 700, 512, 0}, Case{"small.bmp", 40, 64, 0},
                   Case{"big.webp", 1500, 512, 12}, Case{"lossless.webp", 300, 512, 0}}) {
        CoverTexels texels = decodeCoverFile(dir.at(c.file), middleCoverPixelHeight(600, 600));
        ASSERT_TRUE(texels.usable()) << c.file << ": " << texels.failure;
        EXPECT_EQ(texels.sourceWidth, c.size) << c.file;
        EXPECT_EQ(texels.sourceHeight, c.size) << c.file;
        ASSERT_EQ(texels.edge, c.edge) << c.file;
        ASSERT_EQ(texels.levels.size(), size_t(std::log2(c.edge)) + 1) << c.file;
        for (size_t level = 0; level < texels.levels.size(); ++level) {
            const int edge = c.edge >> level;
            ASSERT_EQ(texels.levels[level].size(), size_t(edge) * edge * 3) << c.file << " level " << level;
            if (edge < 4) continue;
            // Quarter and three quarters of the way across: well inside each quadrant.
            const int q = edge / 4, t = edge * 3 / 4;
            expectTexel(texels, level, q, q, {255, 0, 0}, c.tolerance, c.file + " top left");
            expectTexel(texels, level, t, q, {0, 255, 0}, c.tolerance, c.file + " top right");
            expectTexel(texels, level, q, t, {0, 0, 255}, c.tolerance, c.file + " bottom left");
            expectTexel(texels, level, t, t, {255, 255, 255}, c.tolerance, c.file + " bottom right");
        }
        // The 1 x 1 level is the mean of the four quadrants.
        expectTexel(texels, texels.levels.size() - 1, 0, 0, {128, 128, 128}, c.tolerance + 2, c.file + " smallest");

        // The memory entry gives the very same texture.
        std::vector<uint8_t> bytes = fileBytes(dir.at(c.file));
        CoverTexels fromBytes = decodeCoverBytes(bytes.data(), bytes.size(), middleCoverPixelHeight(600, 600));
        ASSERT_TRUE(fromBytes.usable()) << c.file << ": " << fromBytes.failure;
        EXPECT_EQ(fromBytes.levels, texels.levels) << c.file;
    }
}

TEST(CoverTexels, RefusesWhatIsNotARegularFileWithoutWaitingForIt) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.at("fifo.jpg").c_str(), 0644), 0);  // nobody ever writes to it
    ASSERT_EQ(symlink("/dev/zero", dir.at("zero.bmp").c_str()), 0);
    dir.makeFolder("folder.png");
    const std::string notAFile = "not a regular file";
    for (auto [path, reason] : {std::pair{dir.at("fifo.jpg"), notAFile}, std::pair{dir.at("zero.bmp"), notAFile},
                                std::pair{std::string("/dev/zero"), notAFile},
                                std::pair{std::string("/dev/null"), notAFile},
                                std::pair{dir.at("folder.png"), std::string("folder")}}) {
        CoverTexels texels = decodeCoverFile(path, 400);
        EXPECT_FALSE(texels.usable()) << path;
        EXPECT_NE(texels.failure.find(reason), std::string::npos) << path << ": " << texels.failure;
        CoverPicture picture = decodeCoverPicture(path.c_str());
        EXPECT_FALSE(picture.usable()) << path;
        EXPECT_EQ(picture.failure, texels.failure) << path;
    }
}

TEST(CoverTexels, LibraryWarningsStayOffStandardError) {
    TempDir dir;
    ASSERT_TRUE(writePng(dir.at("clean.png"), quadrantPicture(32), PngKind::Rgb));
    for (const std::string& warned : {withDamagedTextChunk(fileBytes(dir.at("clean.png"))),
                                      withFaultyProfile(fileBytes(dir.at("clean.png")))}) {
        testing::internal::CaptureStderr();
        CoverTexels texels =
            decodeCoverBytes(reinterpret_cast<const uint8_t*>(warned.data()), warned.size(), 400);
        CoverPicture picture = decodeCoverPicture(dir.writeFile("warned.png", warned).c_str());
        std::string written = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(texels.usable()) << texels.failure;
        EXPECT_TRUE(picture.usable()) << picture.failure;
        EXPECT_EQ(written, "");
    }
}

TEST(CoverTexels, ACancelledDecodeStopsWithAReason) {
    TempDir dir;
    ASSERT_TRUE(writeJpeg(dir.at("a.jpg"), quadrantPicture(200), 90));
    ASSERT_TRUE(writePng(dir.at("a.png"), quadrantPicture(200), PngKind::Rgb));
    std::atomic<bool> cancel{true};
    for (const char* file : {"a.jpg", "a.png"}) {
        CoverTexels texels = decodeCoverFile(dir.at(file), 400, &cancel);
        EXPECT_FALSE(texels.usable()) << file;
        EXPECT_NE(texels.failure.find("cancelled"), std::string::npos) << file << ": " << texels.failure;
        std::vector<uint8_t> bytes = fileBytes(dir.at(file));
        EXPECT_NE(decodeCoverBytes(bytes.data(), bytes.size(), 400, &cancel).failure.find("cancelled"),
                  std::string::npos)
            << file;
    }
}

// A sink that keeps nothing, for the row decoders called directly.
class DiscardingSink : public RowSink {
public:
    int wantedEdge(int, int) override { return 512; }
    void begin(int, int) override {}
    void row(const uint8_t*) override {}
};

// Pictures built to cost their decoders far more than their size: each is
// refused from its header, before any decoding, with a reason; a PNG that
// hides a thousand compressed text chunks before its image decodes as the
// picture it is, its text never inflated.
TEST(CoverTexels, HostilePicturesAreRefusedBeforeTheyCostAndTextChunksAreSkipped) {
    // Every scan of a progressive JPEG walks the whole picture; repeating the
    // last one makes a file that is still decodable (libjpeg only warns) but
    // would cost a full pass per copy.
    std::vector<uint8_t> jpeg = encodeJpeg(quadrantPicture(64), 90, false, nullptr, true);
    ASSERT_GT(jpeg.size(), 4u);
    size_t lastScan = 0;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) lastScan = i;
    ASSERT_GT(lastScan, 0u);
    const size_t end = jpeg.size() - 2;  // the end-of-image marker
    ASSERT_EQ(jpeg[end], 0xFF);
    ASSERT_EQ(jpeg[end + 1], 0xD9);
    std::vector<uint8_t> scan(jpeg.begin() + long(lastScan), jpeg.begin() + long(end));
    std::vector<uint8_t> endless(jpeg.begin(), jpeg.begin() + long(end));
    for (uint64_t copy = 0; copy <= kMaxJpegBlockScans / kMinJpegScanBlocks; ++copy)
        endless.insert(endless.end(), scan.begin(), scan.end());
    endless.push_back(0xFF);
    endless.push_back(0xD9);

    TempDir dir;
    ASSERT_TRUE(writePng(dir.at("quadrants.png"), quadrantPicture(64), PngKind::Rgb));
    const std::vector<uint8_t> bomb = textChunkBombPng(fileBytes(dir.at("quadrants.png")), 1000, 1 << 20);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* refusal;  // "" when the picture decodes
    };
    const Case cases[] = {
        {"the same JPEG with few scans", jpeg, ""},
        {"a JPEG of endless scans", endless, "decoding work"},
        // 667 bytes in the wild: 50 megapixels, 34 arithmetic-coded scans of no data.
        {"arithmetic refinement JPEG", arithmeticRefinementJpeg(16383, 3051, 32), "decoding work"},
        {"a small arithmetic refinement JPEG", arithmeticRefinementJpeg(300, 200, 8), ""},
        {"BMP claiming 45 megapixels", bmpHeaderClaiming(9000, 5000), "MiB at once"},
        {"lossless WebP claiming 35 megapixels", losslessWebpClaiming(7000, 5000), "MiB at once"},
        {"text chunk bomb PNG", bomb, ""},
    };
    for (const Case& c : cases) {
        std::atomic<size_t> inHand{0};
        CoverTexels texels = decodeCoverBytes(c.bytes.data(), c.bytes.size(), 400, nullptr, &inHand);
        EXPECT_EQ(inHand.load(), 0u) << c.what;  // what the decode held is given back
        if (!*c.refusal) {
            EXPECT_TRUE(texels.usable()) << c.what << ": " << texels.failure;
            continue;
        }
        EXPECT_FALSE(texels.usable()) << c.what;
        EXPECT_NE(texels.failure.find(c.refusal), std::string::npos) << c.what << ": " << texels.failure;
    }
    CoverTexels quadrants = decodeCoverBytes(bomb.data(), bomb.size(), 64);
    ASSERT_TRUE(quadrants.usable()) << quadrants.failure;
    expectTexel(quadrants, 0, 16, 16, {255, 0, 0}, 2, "text chunk bomb");
    expectTexel(quadrants, 0, 48, 48, {255, 255, 255}, 2, "text chunk bomb");

    // The JPEG decoder keeps the same budget itself as it goes, for what a
    // header walk cannot see: 82 scans over 4096 x 4096 are stopped part way.
    const std::vector<uint8_t> refinements = arithmeticRefinementJpeg(4096, 4096, 80);
    DiscardingSink sink;
    EXPECT_NE(decodeJpegRows(refinements.data(), refinements.size(), sink, nullptr).find("decoding work"),
              std::string::npos);
}
