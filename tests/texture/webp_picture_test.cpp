// WebP covers: pictures written by libwebp's own encoder, lossless and lossy,
// decoded whole and scaled; headers beyond the limits and broken data refused.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pictures/hostile_files.h"
#include "pictures/picture_writer.h"
#include "support/temp_dir.h"
#include "texture/cover_picture.h"
#include "texture/webp_picture.h"

namespace {

std::string bytesOf(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The four quadrants' middles: red, green / blue, white.
void expectQuadrants(const WebpPicture& picture, int tolerance, const std::string& what) {
    ASSERT_TRUE(picture.usable()) << what << ": " << picture.failure;
    ASSERT_EQ(picture.rgb.size(), size_t(picture.width) * picture.height * 3) << what;
    struct Probe {
        int x, y;
        uint8_t r, g, b;
    };
    const int w = picture.width, h = picture.height;
    for (const Probe& p : {Probe{w / 4, h / 4, 255, 0, 0}, Probe{3 * w / 4, h / 4, 0, 255, 0},
                           Probe{w / 4, 3 * h / 4, 0, 0, 255}, Probe{3 * w / 4, 3 * h / 4, 255, 255, 255}}) {
        const uint8_t* px = &picture.rgb[(size_t(p.y) * w + p.x) * 3];
        EXPECT_NEAR(px[0], p.r, tolerance) << what << " at " << p.x << "," << p.y;
        EXPECT_NEAR(px[1], p.g, tolerance) << what << " at " << p.x << "," << p.y;
        EXPECT_NEAR(px[2], p.b, tolerance) << what << " at " << p.x << "," << p.y;
    }
}

}  // namespace

TEST(WebpPicture, DecodesLosslessAndLossyWholeAndScaled) {
    TempDir dir;
    const RgbPicture quadrants = quadrantPicture(64);
    const std::vector<uint8_t> lossless = encodeWebp(quadrants, true);
    const std::vector<uint8_t> lossy = encodeWebp(quadrants, false);
    ASSERT_FALSE(lossless.empty());
    ASSERT_FALSE(lossy.empty());

    WebpPicture whole = decodeWebpPicture(lossless.data(), lossless.size());
    EXPECT_EQ(whole.width, 64);
    EXPECT_EQ(whole.height, 64);
    expectQuadrants(whole, 0, "lossless");
    EXPECT_EQ(whole.rgb, quadrants.rgb);  // lossless is exact
    expectQuadrants(decodeWebpPicture(lossy.data(), lossy.size()), 40, "lossy");

    WebpPicture scaled = decodeWebpPicture(lossy.data(), lossy.size(), 16);
    EXPECT_EQ(scaled.width, 16);
    EXPECT_EQ(scaled.height, 16);
    expectQuadrants(scaled, 40, "scaled");

    // A wide picture keeps its shape; one already within the edge is left alone.
    RgbPicture wide = solidPicture(100, 40, 10, 200, 30);
    std::vector<uint8_t> wideBytes = encodeWebp(wide, true);
    WebpPicture narrowed = decodeWebpPicture(wideBytes.data(), wideBytes.size(), 50);
    ASSERT_TRUE(narrowed.usable()) << narrowed.failure;
    EXPECT_EQ(narrowed.width, 50);
    EXPECT_EQ(narrowed.height, 20);
    EXPECT_EQ(narrowed.rgb[0], 10);
    EXPECT_EQ(narrowed.rgb[1], 200);
    WebpPicture unscaled = decodeWebpPicture(wideBytes.data(), wideBytes.size(), 500);
    EXPECT_EQ(unscaled.width, 100);
    EXPECT_EQ(unscaled.height, 40);

    // A file is read by the cover decoder, which knows WebP by its content
    // whatever the name, and gives the same pixels.
    const std::string path = dir.writeFile("wide.jpg", std::string(wideBytes.begin(), wideBytes.end()));
    CoverPicture file = decodeCoverPicture(path.c_str());
    ASSERT_TRUE(file.usable()) << file.failure;
    EXPECT_EQ(file.width, 100);
    EXPECT_EQ(file.height, 40);
    for (int y = 0; y < 40; ++y)
        EXPECT_EQ(0, std::memcmp(&file.pixels[size_t(y) * file.pitch], &unscaled.rgb[size_t(y) * 300], 300)) << y;
}

TEST(WebpPicture, RefusesOversizedHeadersAndBrokenData) {
    TempDir dir;
    struct Case {
        std::vector<uint8_t> bytes;
        const char* reasonHolds;
    };
    const std::vector<uint8_t> good = encodeWebp(quadrantPicture(32), false);
    const Case cases[] = {
        {losslessWebpClaiming(16383, 16383), "more than 16383 a side or 50 megapixels"},
        {losslessWebpClaiming(16000, 4000), "megapixels"},
        {std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2), "WebP"},
        {std::vector<uint8_t>{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, "not a WebP"},
        {std::vector<uint8_t>{}, "not a WebP"},
    };
    for (const Case& c : cases) {
        WebpPicture picture = decodeWebpPicture(c.bytes.data(), c.bytes.size(), 256);
        EXPECT_FALSE(picture.usable());
        EXPECT_TRUE(picture.rgb.empty());
        EXPECT_NE(picture.failure.find(c.reasonHolds), std::string::npos) << picture.failure;
    }
    // A header just within the limits is not refused for its size (it fails later, having no data).
    WebpPicture within = decodeWebpPicture(losslessWebpClaiming(5000, 5000).data(), 42);
    EXPECT_EQ(within.failure.find("megapixels"), std::string::npos) << within.failure;

    // Through the cover decoder the same limits and refusals hold, with its own wording.
    const std::string huge = dir.writeFile("huge.webp", bytesOf(losslessWebpClaiming(16383, 16383)));
    EXPECT_NE(decodeCoverFile(huge, 400).failure.find("covers are limited to 16383 a side and 50 megapixels"),
              std::string::npos);
    // A lossless picture is decoded whole: 35 megapixels would hold more memory than a cover may.
    const std::string wide = dir.writeFile("wide.webp", bytesOf(losslessWebpClaiming(7000, 5000)));
    EXPECT_NE(decodeCoverFile(wide, 400).failure.find("MiB at once"), std::string::npos)
        << decodeCoverFile(wide, 400).failure;
    const std::string cut = dir.writeFile("cut.webp", bytesOf(cases[2].bytes));
    EXPECT_FALSE(decodeCoverFile(cut, 400).usable());
}
