// The thumbnail cache's naming and sizes, as tables: MD5 against RFC 1321's
// test suite, URIs and names against the thumbnail standard's own example,
// paths made absolute, the size classes and when a thumbnail serves. The
// cache's files are checked end to end in covers_gl_test.cpp and through the
// loader in cover_loader_test.cpp; here a cache that cannot write, the
// thumbnails other programs wrote, and thumbnails that lie about their size.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>

#include "support/child.h"
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "texture/md5.h"
#include "texture/thumbnail_cache.h"
#include "texture/thumbnail_png.h"

namespace {

#ifdef _WIN32
constexpr bool kWindowsPaths = true;
#else
constexpr bool kWindowsPaths = false;
#endif

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

namespace {

std::vector<uint8_t> solidPng(int side, uint8_t red, uint8_t green, uint8_t blue, const PngTexts& texts) {
    std::vector<uint8_t> rgb(size_t(side) * size_t(side) * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = red;
        rgb[i + 1] = green;
        rgb[i + 2] = blue;
    }
    return encodePngThumbnail(rgb.data(), side, side, texts);
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace

TEST(ThumbnailTimes, WholeSecondsAndFractionsAsGnomeAndTumblerWriteThem) {
    const struct {
        const char* text;
        int64_t seconds;
        int32_t nanoseconds;
        bool matches;
    } cases[] = {
        {"1796690088", 1796690088, 45727000, true},            // GNOME: whole seconds
        {"1796690088.045727", 1796690088, 45727000, true},     // tumbler: microseconds
        {"1796690088.045727", 1796690088, 45727999, true},
        {"1796690088.045728", 1796690088, 45727400, true},     // rounded rather than cut
        {"1796690088.045729", 1796690088, 45727000, false},
        {"1796690088.5", 1796690088, 500000000, true},
        {"1796690088.045727", 1796690088, 0, true},            // a file time without a fraction
        {"1796690088.045727", 1796690089, 45727000, false},
        {"1796690087", 1796690088, 0, false},
        {"1796690088.", 1796690088, 0, false},
        {"1796690088.04x", 1796690088, 40000000, false},
        {"1796690088.0457270001", 1796690088, 45727000, false},
        {"", 0, 0, false},
        {"abc", 0, 0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(thumbnailMtimeMatches(c.text, c.seconds, c.nanoseconds), c.matches) << c.text << " " << c.nanoseconds;
}

// Xfce's tumbler writes Thumb::MTime with a fraction, GNOME in whole seconds:
// both thumbnails are used, and neither is written over; one whose time is
// not the file's is made anew. Another program's thumbnail of an audio file is
// not shown (it need not be the cover), but it is not written over either.
TEST(ThumbnailSharing, OtherProgramsThumbnailsAreUsedAndLeftAsTheyAre) {
    TempDir dir;
    const std::string cover = dir.makeFolder("music/A") + platform::kSeparator + "cover.png";
    writeBytes(cover, solidPng(600, 255, 0, 0, {}));  // red
    int64_t seconds = 0;
    int32_t nanoseconds = 0;
    ASSERT_TRUE(platform::fileModifiedSeconds(cover, &seconds, &nanoseconds));
    char tumbler[48];
    std::snprintf(tumbler, sizeof tumbler, "%lld.%06d", (long long)seconds, int(nanoseconds / 1000));
    const std::string uri = thumbnailUri(platform::absolutePath(cover, platform::workingFolder()), kWindowsPaths);
    const int coverHeight = 400;  // a 512 texture: the x-large class
    const std::string thumbnail = dir.makeFolder("cache/x-large") + platform::kSeparator + thumbnailName(uri);
    const struct {
        const char* maker;
        std::string mtime;
        bool used;
    } cases[] = {
        {"Tumbler", tumbler, true},
        {"GNOME::ThumbnailFactory", std::to_string(seconds), true},
        {"Tumbler", std::to_string(seconds - 1) + ".5", false},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> theirs =
            solidPng(512, 0, 0, 255,  // blue
                     {{"Thumb::URI", uri}, {"Thumb::MTime", c.mtime}, {"Thumb::Image::Width", "600"},
                      {"Thumb::Image::Height", "600"}, {"Software", c.maker}});
        writeBytes(thumbnail, theirs);
        ThumbnailCache cache(dir.at("cache"));
        PendingThumbnail pending;
        const CoverTexels texels = cache.decodeCoverFile(cover, coverHeight, nullptr, &pending);
        ASSERT_TRUE(texels.usable()) << texels.failure;
        ASSERT_FALSE(texels.levels.empty());
        const uint8_t* middle = &texels.levels[0][(size_t(texels.edge) * size_t(texels.edge / 2) + size_t(texels.edge / 2)) * 3];
        EXPECT_EQ(middle[2] > 200 && middle[0] < 50, c.used) << c.mtime << ": blue when the thumbnail is used";
        cache.write(pending);
        const std::string after = readWholeFile(thumbnail);
        PngThumbnailInfo info;
        ASSERT_TRUE(readPngThumbnailInfo(reinterpret_cast<const uint8_t*>(after.data()), after.size(), &info));
        if (c.used) {
            EXPECT_EQ(after, std::string(theirs.begin(), theirs.end())) << c.mtime << ": left as it was";
        } else {
            EXPECT_EQ(info.text("Software"), kThumbnailSoftware) << "a stale one is made anew";
            EXPECT_EQ(info.text("Thumb::MTime"), std::to_string(seconds)) << "in whole seconds, as GNOME writes it";
        }
    }
    // An audio file's thumbnail by another program: not shown, not written over.
    const std::string song = dir.writeFile("music/A/01.mp3", "ID3");
    ASSERT_TRUE(platform::fileModifiedSeconds(song, &seconds, &nanoseconds));
    const std::string songUri = thumbnailUri(platform::absolutePath(song, platform::workingFolder()), kWindowsPaths);
    const std::string songThumbnail = dir.at("cache/x-large") + platform::kSeparator + thumbnailName(songUri);
    const std::vector<uint8_t> theirs = solidPng(
        256, 0, 0, 255, {{"Thumb::URI", songUri}, {"Thumb::MTime", std::to_string(seconds)}, {"Software", "Totem"}});
    writeBytes(songThumbnail, theirs);
    ThumbnailCache cache(dir.at("cache"));
    PendingThumbnail pending;
    const std::vector<uint8_t> embedded = solidPng(600, 255, 0, 0, {});
    ASSERT_TRUE(cache.decodeEmbeddedCover(song, embedded, coverHeight, nullptr, &pending).usable());
    cache.write(pending);
    EXPECT_EQ(readWholeFile(songThumbnail), std::string(theirs.begin(), theirs.end()));
}

#ifndef _WIN32
// A thumbnail whose text chunk claims 2 GiB costs no more than its few
// kilobytes: a fresh process's peak address space (VmPeak) stays put while it
// is read, however fast or slow the machine is.
TEST(ThumbnailPng, AChunkClaimingGigabytesCostsNoMoreThanTheFile) {
    const std::vector<uint8_t> good = solidPng(64, 1, 2, 3, {{"Thumb::URI", "file:///a.jpg"}, {"Thumb::MTime", "5"}});
    for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT"}) {
        std::vector<uint8_t> bomb = good;
        const uint8_t header[] = {0x7f, 0xff, 0xff, 0xf0, uint8_t(type[0]), uint8_t(type[1]), uint8_t(type[2]),
                                  uint8_t(type[3]), 'S', 'o', 'f', 't', 'w', 'a', 'r', 'e', 0, 'x'};
        bomb.insert(bomb.begin() + 33, std::begin(header), std::end(header));  // right after IHDR
        // A forked process starts with its peak at its present size.
        const pid_t child = fork();
        if (child == 0) {
            const auto peak = [] {
                const std::string status = readWholeFile("/proc/self/status");
                const size_t at = status.find("VmPeak:");
                return at == std::string::npos ? 0L : std::atol(status.c_str() + at + 7);
            };
            const long before = peak();
            PngThumbnailInfo info;
            const bool read = readPngThumbnailInfo(bomb.data(), bomb.size(), &info);
            const long grew = peak() - before;  // kB
            _exit(read ? 2 : grew > 64 * 1024 ? 3 : 0);
        }
        const int status = boundedExitStatus(child);
        EXPECT_EQ(status, 0) << type << (status == 3 ? ": the address space grew by more than 64 MiB" : "");
    }
    PngThumbnailInfo info;
    EXPECT_TRUE(readPngThumbnailInfo(good.data(), good.size(), &info));
    EXPECT_EQ(info.text("Thumb::MTime"), "5");
}
#endif
