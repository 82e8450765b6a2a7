// The thumbnail cache's naming and sizes, as tables: MD5 against RFC 1321's
// test suite, URIs and names against the thumbnail standard's own example,
// paths made absolute, the size classes and when a thumbnail serves. The
// cache's files are checked end to end in covers_gl_test.cpp and through the
// loader in cover_loader_test.cpp; here only a cache that cannot write.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/temp_dir.h"
#include "texture/md5.h"
#include "texture/thumbnail_cache.h"

namespace {

TEST(ThumbnailNaming, Md5GivesRfc1321sTestSuite) {
    const struct {
        std::string text;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        // Lengths about the 56-byte padding edge and a whole block (digests from Python's hashlib).
        {std::string(55, 'x'), "04364420e25c512fd958a70738aa8f72"},
        {std::string(56, 'x'), "668a72d5ba17f08e62dabcafad6db14b"},
        {std::string(64, 'x'), "c1bb4f81d892b2d57947682aeb252456"},
    };
    for (const auto& c : cases) EXPECT_EQ(md5Hex(c.text), c.digest) << c.text.size() << " bytes";
}

TEST(ThumbnailNaming, UrisAndNamesFollowTheStandard) {
    const struct {
        const char* path;
        bool windows;
        const char* uri;
    } cases[] = {
        {"/home/jens/photos/me.png", false, "file:///home/jens/photos/me.png"},
        {"/m/Artist - Album (1999)/cover.jpg", false, "file:///m/Artist%20-%20Album%20(1999)/cover.jpg"},
        {"/m/a%b&c+d=e;f,g@h:i!j'k*l[m]#?.png", false,
         "file:///m/a%25b&c+d=e%3Bf,g@h:i!j'k*l%5Bm%5D%23%3F.png"},
        {"/m/Bj\xc3\xb6rk~_-.jpg", false, "file:///m/Bj%C3%B6rk~_-.jpg"},
        {"C:\\Music\\A B\\cover.jpg", true, "file:///C:/Music/A%20B/cover.jpg"},
    };
    for (const auto& c : cases) EXPECT_EQ(thumbnailUri(c.path, c.windows), c.uri) << c.path;
    // The standard's own example.
    EXPECT_EQ(thumbnailName("file:///home/jens/photos/me.png"), "c6ee772d9e49320e97ec29a7eb5b1697.png");
}

TEST(ThumbnailSizes, ClassesDimensionsAndWhatServes) {
    const struct {
        int edge;
        const char* folder;
    } classes[] = {{1, "normal"}, {128, "normal"}, {129, "large"}, {512, "x-large"}, {1024, "xx-large"},
                   {4096, "xx-large"}};
    for (const auto& c : classes) EXPECT_STREQ(thumbnailSizeFor(c.edge).folder, c.folder) << c.edge;

    const struct {
        int side, width, height, thumbWidth, thumbHeight;
    } dimensions[] = {
        {512, 3000, 3000, 512, 512}, {512, 640, 480, 512, 384}, {256, 480, 640, 192, 256},
        {512, 300, 200, 300, 200},  // smaller than the class: its own size
        {128, 4000, 10, 128, 1},     // never below one pixel
    };
    for (const auto& d : dimensions) {
        int w = 0, h = 0;
        thumbnailDimensions(d.side, d.width, d.height, &w, &h);
        EXPECT_EQ(w, d.thumbWidth) << d.side << " " << d.width << "x" << d.height;
        EXPECT_EQ(h, d.thumbHeight) << d.side << " " << d.width << "x" << d.height;
    }

    const struct {
        int width, height, original, edge;
        bool serves;
    } serves[] = {
        {512, 512, 3000, 512, true},  {256, 256, 3000, 512, false}, {300, 300, 300, 512, true},
        {256, 192, 256, 512, true},   {512, 384, 0, 512, true},     {256, 256, 0, 512, false},
        {1024, 1024, 0, 256, true},
    };
    for (const auto& s : serves)
        EXPECT_EQ(thumbnailServes(s.width, s.height, s.original, s.edge), s.serves)
            << s.width << "x" << s.height << " of " << s.original << " for " << s.edge;
}

}  // namespace

// A cache folder that cannot be made (a file stands where a folder should
// be; root is refused that too): one line on standard error, then silence.
TEST(ThumbnailWriting, ACacheFolderThatCannotBeMadeIsSaidOnceThenNothingIsTried) {
    TempDir dir;
    dir.writeFile("cache", "a file, not a folder");
    ThumbnailCache cache(dir.at("cache/thumbnails"));
    PendingThumbnail pending;
    pending.wanted = true;
    pending.uri = "file:///m/a/cover.jpg";
    pending.name = thumbnailName(pending.uri);
    pending.size = &thumbnailSizeFor(128);
    pending.width = pending.height = 2;
    pending.rgb.assign(12, 200);
    testing::internal::CaptureStderr();
    cache.write(pending);
    pending.failed = true;
    cache.write(pending);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("vellora: not writing thumbnails: ", 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(dir.at("cache")), std::string::npos) << "names the folder: " << err;
}
