// Covers filling in, seen from outside: the real program on a real X server,
// its window photographed after it has come to rest. Covers come from picture
// files of every format and from pictures inside audio files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

#include "pictures/hostile_files.h"
#include "pictures/picture_writer.h"
#include "support/app_fixture.h"
#include "support/audio_files.h"
#include "support/browser_run.h"
#include "support/photo.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/folder_listing.h"
#include "support/x11_window.h"
#include "platform/platform.h"
#include "texture/thumbnail_cache.h"
#include "texture/thumbnail_png.h"

namespace {

constexpr int kAlbums = 30;

// Album i's cover: one flat colour of its own, so the middle of the window
// tells which picture stands there.
RgbPicture coverOf(int i) {
    return solidPicture(64, 64, uint8_t(40 + 7 * i), uint8_t(220 - 5 * i), uint8_t((i % 3) * 100));
}

std::string makeColouredLibrary(const TempDir& dir) {
    return makeMusicFolder(dir, kAlbums, [](const std::string& folder, int i) {
        // Lossless formats only: the colour must come through exactly.
        if (i % 2)
            writePng(folder + "/cover.png", coverOf(i), PngKind::Rgb);
        else
            writeBmp(folder + "/Folder.BMP", coverOf(i));
    });
}

// The middle of the window, where the middle cover faces the light squarely:
// its texels show at full value.
bool middleShows(const Photo& photo, const RgbPicture& cover) {
    return photo.shows(photo.width / 2, photo.height / 2, cover.at(0, 0));
}

std::string middleColour(const Photo& photo) { return photo.colourAt(photo.width / 2, photo.height / 2); }

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

    Photo seen;
    EXPECT_TRUE(waitFor([&] { return middleShows(seen = photograph(browser.window()), coverOf(selected)); }, 15000))
        << "middle pixel " << middleColour(seen) << " for album " << selected;

    pressKeys(browser.window(), {"Right"});
    const int next = std::min(selected + 1, kAlbums - 1);
    EXPECT_TRUE(waitFor([&] { return middleShows(seen = photograph(browser.window()), coverOf(next)); }, 15000))
        << "middle pixel " << middleColour(seen) << " for album " << next;
}

TagLib::ByteVector tagBytes(const std::vector<uint8_t>& bytes) {
    return TagLib::ByteVector(reinterpret_cast<const char*>(bytes.data()), unsigned(bytes.size()));
}

std::vector<uint8_t> pngBytes(const TempDir& dir, const RgbPicture& picture) {
    const std::string path = dir.at("scratch.png");
    EXPECT_TRUE(writePng(path, picture, PngKind::Rgb));
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// One row, seen from outside. Albums without a picture file, a cover of its
// own colour inside each kind of audio file: a JPEG in an MP3's ID3v2 tag, a
// PNG in a FLAC file, a cover.webp, an MP3 whose tag claims 200 MiB (it stays
// a panel), Ogg FLAC made by `flac --ogg --picture`, an M4B audiobook, WavPack
// with the encoder's own cover tag, Musepack and Monkey's Audio with APEv2
// covers, WMA with WM/Picture, an MP3 whose small front cover sits beside
// 36 MB of booklet scans, and a PNG hiding a thousand compressed text chunks;
// each is selected in turn. Then hostile files: audio tags that crashed or
// flooded TagLib (17,000 nested chapter frames, 53,000 nested atoms, floods of
// tiny frames in an MP3 and an AIFF), an arithmetic-coded JPEG of 34 scans over
// 50 megapixels, and, with the tag helper swapped for one that misbehaves when
// told, a tag that crashes the helper and one that keeps it spinning past its
// deadline; also FIFOs named like covers (opening one used to freeze the
// window for good), a device, a GIF that crashed the decoder, and a PNG that
// makes libpng warn. The window keeps answering, Escape ends it at once, and
// stderr holds exactly one line per file that cannot be shown and nothing else.
TEST(CoversOnScreen, EmbeddedAndWebpCoversShowAndHostileOnesNeitherFreezeNorChatter) {
    constexpr int kFrontCover = 3, kOtherPicture = 0, kBackCover = 4;
    TempDir pictures;
    const std::string music = pictures.makeFolder("music");
    auto flat = [](uint8_t r, uint8_t g, uint8_t b) { return solidPicture(64, 64, r, g, b); };
    const RgbPicture red = flat(230, 20, 20), green = flat(20, 220, 30), blue = flat(20, 30, 230),
                     yellow = flat(230, 220, 20), magenta = flat(210, 30, 200), cyan = flat(20, 200, 210),
                     orange = flat(240, 140, 20), purple = flat(120, 40, 200), pink = flat(240, 120, 170),
                     olive = flat(120, 130, 30), teal = flat(20, 130, 120);
    struct Case {
        const char* album;
        const RgbPicture* cover;  // nullptr: no cover can be shown
    };
    // Named to sort before the "album" folders: these come first in the row.
    const Case cases[] = {{"a01 mp3", &red},      {"a02 flac", &green},   {"a03 webp", &blue},  {"a04 broken", nullptr},
                          {"a05 oga", &yellow},   {"a06 m4b", &magenta},  {"a07 wv", &cyan},    {"a08 mpc", &orange},
                          {"a09 ape", &purple},   {"a10 wma", &pink},     {"a11 booklet", &olive},
                          {"a12 text chunks", &teal}};
    for (const Case& c : cases) pictures.makeFolder(std::string("music/") + c.album);
    auto jpeg = [](const RgbPicture& picture) { return tagBytes(encodeJpeg(picture, 95)); };
    const std::string mp3 = music + "/a01 mp3/01 Song.mp3", flac = music + "/a02 flac/01 Song.flac",
                      broken = music + "/a04 broken/01 Song.mp3";
    pictures.writeFile("music/a01 mp3/01 Song.mp3", mp3Frames());
    addId3Pictures(mp3, {{kFrontCover, jpeg(red)}});
    pictures.writeFile("music/a02 flac/01 Song.flac", flacStream());
    addFlacPictures(flac, {{kFrontCover, tagBytes(pngBytes(pictures, green))}});
    ASSERT_TRUE(writeWebp(music + "/a03 webp/cover.webp", blue));
    const unsigned char hugeTag[] = {'I', 'D', '3', 4, 0, 0, 0x64, 0, 0, 0};
    pictures.writeFile("music/a04 broken/01 Song.mp3",
                       std::string(reinterpret_cast<const char*>(hugeTag), sizeof hugeTag) + mp3Frames());
    const std::string wav = pictures.writeFile("silence.wav", silentWav());
    encode({"flac", "--ogg", "--silent", "--picture=3|image/jpeg|||" + scratch(pictures, "yellow.jpg", jpeg(yellow)),
            "-o", music + "/a05 oga/01 Song.oga", wav},
           pictures);
    pictures.writeFile("music/a06 m4b/Book.m4b", mp4Skeleton());
    addMp4Cover(music + "/a06 m4b/Book.m4b", jpeg(magenta), TagLib::MP4::CoverArt::JPEG);
    encode({"wavpack", "-q", "--write-binary-tag", "Cover Art (Front)=@" + scratch(pictures, "cyan.jpg", jpeg(cyan)),
            wav, "-o", music + "/a07 wv/01 Song.wv"},
           pictures);
    encode({"mpcenc", "--silent", wav, music + "/a08 mpc/01 Song.mpc"}, pictures);
    addApeCovers(music + "/a08 mpc/01 Song.mpc", {{"Cover Art (Front)", jpeg(orange)}});
    pictures.writeFile("music/a09 ape/01 Song.ape", apeSkeleton());
    addApeCovers(music + "/a09 ape/01 Song.ape", {{"Cover Art (Front)", jpeg(purple)}});
    pictures.writeFile("music/a10 wma/01 Song.wma", asfSkeleton());
    addAsfPictures(music + "/a10 wma/01 Song.wma", {{kBackCover, jpeg(red)}, {kFrontCover, jpeg(pink)}});
    const TagLib::ByteVector scan(unsigned(12) << 20, '\x33');
    pictures.writeFile("music/a11 booklet/01 Song.mp3", mp3Frames());
    addId3Pictures(music + "/a11 booklet/01 Song.mp3",
                   {{kOtherPicture, scan}, {kOtherPicture, scan}, {kOtherPicture, scan}, {kFrontCover, jpeg(olive)}});

    const std::vector<uint8_t> bomb = textChunkBombPng(pngBytes(pictures, teal), 1000, 1 << 20);
    pictures.writeFile("music/a12 text chunks/cover.png", std::string(bomb.begin(), bomb.end()));

    // Hostile albums, named to come next in the row.
    const std::string mpeg = silentMpegFrames(10);
    const std::vector<uint8_t> arithmetic = arithmeticRefinementJpeg(16383, 3051, 32);
    const struct {
        const char* file;
        std::string bytes;
        const char* reason;
    } hostile[] = {
        {"a6 nested ctoc/01.mp3", nestedChapterTag(17000, true) + mpeg, "nested more than 32 deep"},
        {"a7 nested atoms/01.m4a", nestedAtomsM4a(53000), "nested more than 64 deep"},
        {"a8 tag flood/01.mp3", frameFloodTag(12000) + mpeg, "more than 10000 frames"},
        {"a9 aiff flood/01.aiff", aiffWithTag(frameFloodTag(12000)), "more than 10000 frames"},
        {"aa helper crash/01.mp3", "crash", "the tag reader ended while reading it"},
        {"ab helper spin/01.mp3", "spin", "took longer than 2 s"},
        {"ac arithmetic/cover.jpg", std::string(arithmetic.begin(), arithmetic.end()), "decoding work"},
    };
    std::vector<std::string> refused = {broken};
    for (const auto& h : hostile) {
        const std::string file = h.file;
        pictures.makeFolder("music/" + file.substr(0, file.find('/')));
        refused.push_back(pictures.writeFile("music/" + file, h.bytes));
    }
    char name[32];
    for (int i = 0; i < 9; ++i) {
        std::snprintf(name, sizeof name, "album %05d", i);
        std::string folder = pictures.makeFolder(std::string("music/") + name);
        if (i % 3 == 0) {  // the rest of the row keeps real covers
            ASSERT_TRUE(writePng(folder + "/cover.png", coverOf(i), PngKind::Rgb));
            continue;
        }
        std::string cover = folder + (i == 4 ? "/cover.bmp" : "/cover.jpg");
        if (i == 4) {
            ASSERT_EQ(symlink("/dev/zero", cover.c_str()), 0);
        } else if (i == 5) {
            // 35 bytes claiming 16384 pixels across: SDL_image's GIF decoder crashed on it.
            const uint8_t gif[] = {'G', 'I', 'F', '8', '9', 'a', 0, 0x40, 1, 0, 0x80, 0, 0, 255, 0, 0, 0, 0,
                                   0,   0x2C, 0, 0,   0,   0,   0,   0x40, 1, 0, 0,    2, 2, 0x44, 0x01, 0, 0x3B};
            std::ofstream(cover, std::ios::binary).write(reinterpret_cast<const char*>(gif), sizeof gif);
        } else {
            ASSERT_EQ(mkfifo(cover.c_str(), 0644), 0);
        }
        refused.push_back(cover);
    }
    {
        // A real PNG with a damaged ancillary chunk: libpng warns and goes on.
        std::string cover = music + "/album 00006/cover.png";
        std::ifstream in(cover, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        bytes.insert(8 + 8 + 13 + 4, std::string("\0\0\0\x04tEXta\0bc\xde\xad\xbe\xef", 16));
        std::ofstream(cover, std::ios::binary) << bytes;
    }

    BrowserOptions options;
    options.musicFolder = music;
    options.extraEnv = {std::string("VELLORA_TAG_HELPER=") + VELLORA_HOSTILE_TAG_HELPER};
    BrowserRun browser(options);
    ASSERT_NE(browser.window(), 0u) << browser.process->err();
    pressKeys(browser.window(), {"Home"});
    for (const Case& c : cases) {
        if (&c != cases) pressKeys(browser.window(), {"Right"});
        Photo seen;
        if (c.cover) {
            EXPECT_TRUE(waitFor([&] { return middleShows(seen = photograph(browser.window()), *c.cover); }, 15000))
                << c.album << ": middle pixel " << middleColour(seen);
            continue;
        }
        // A panel: none of the covers, once the glide has arrived and still after a while.
        auto panel = [&] {
            seen = photograph(browser.window());
            if (seen.empty()) return false;
            for (const Case& other : cases)
                if (other.cover && middleShows(seen, *other.cover)) return false;
            return true;
        };
        EXPECT_TRUE(waitFor(panel, 15000)) << c.album;
        std::this_thread::sleep_for(std::chrono::seconds(1));
        EXPECT_TRUE(panel()) << c.album << ": middle pixel " << middleColour(seen);
    }
    // To the middle of the row: at rest the idle passes reach every album from there.
    for (int step = 0; step < 7; ++step) pressKeys(browser.window(), {"Right"});
    auto lines = [&] {
        std::string err = browser.process->err();
        return int(std::count(err.begin(), err.end(), '\n'));
    };
    // At rest the idle passes reach every album of this short row.
    EXPECT_TRUE(waitFor([&] { return lines() >= int(refused.size()); }, 20000)) << browser.process->err();
    pressKeys(browser.window(), {"Escape"});
    int status = -1;
    ASSERT_TRUE(browser.waitExit(5000, &status)) << "the window stopped answering: " << browser.process->err();
    EXPECT_EQ(status, 0);
    const std::string err = browser.process->err();
    EXPECT_EQ(lines(), int(refused.size())) << err;
    for (const std::string& cover : refused)  // each line starts with its picture
        EXPECT_NE(("\n" + err).find("\nvellora: cannot show the cover " + cover + ": "), std::string::npos) << err;
    EXPECT_NE(("\n" + err).find("\nvellora: cannot show the cover " + broken + ": its ID3v2 tag claims "),
              std::string::npos)
        << err;
    for (size_t i = 0; i < sizeof hostile / sizeof hostile[0]; ++i)
        EXPECT_NE(err.find(refused[i + 1] + ": "), std::string::npos) << err;
    for (const auto& h : hostile) EXPECT_NE(err.find(h.reason), std::string::npos) << h.file << ": " << err;
    EXPECT_EQ(err.find("libpng"), std::string::npos) << err;
}

}  // namespace

namespace {

// The thumbnail PNG at `path`: its size and text chunks, read with the
// browser's own reader; width 0 when it cannot be read.
PngThumbnailInfo thumbnailAt(const std::string& path) {
    const std::string bytes = readWholeFile(path);
    PngThumbnailInfo info;
    if (bytes.empty() ||
        !readPngThumbnailInfo(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &info))
        return PngThumbnailInfo();
    return info;
}

int64_t mtimeOf(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? int64_t(info.st_mtime) : -1;
}

int modeOf(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

void setMtime(const std::string& path, int64_t seconds) {
    const struct timespec times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

}  // namespace

// The desktop's thumbnail cache over two starts of the browser, in a cache
// folder of the test's own. The first start writes a thumbnail of every
// cover (URI, MTime, Size, the original's size, longest side the size class
// or the picture's own, mode 0600 in 0700 folders) and a fail entry for the
// broken one. Between the starts one cover is corrupted with its time put
// back, one is replaced by another colour, one gets a thumbnail "made by
// another program" in a colour of its own, and the second start shows: the
// corrupted cover from its thumbnail, the new colour (not the stale
// thumbnail), the other program's thumbnail; the broken cover is not decoded
// again.
TEST(CoversOnScreen, TheThumbnailCacheIsWrittenOnceAndServesTheNextStart) {
    TempDir pictures;
    const std::string cacheHome = pictures.makeFolder("cache home");
    const std::string thumbnails = cacheHome + "/thumbnails";
    const RgbPicture wide = solidPicture(640, 480, 200, 60, 40);  // album 0: 512 x 384 in x-large
    const RgbPicture magenta = solidPicture(96, 96, 210, 30, 200), teal = solidPicture(512, 512, 20, 180, 170);
    const std::string music = makeMusicFolder(pictures, 5, [&](const std::string& folder, int i) {
        if (i == 0) writePng(folder + "/cover.png", wide, PngKind::Rgb);
        if (i == 1 || i == 2 || i == 3) writePng(folder + "/cover.png", coverOf(i), PngKind::Rgb);
        if (i == 4) std::ofstream(folder + "/cover.png") << "\x89PNG\r\n\x1a\n not really a picture";
    });
    auto cover = [&](int i) { return music + "/album 0000" + std::to_string(i) + "/cover.png"; };
    auto nameOf = [&](int i) { return thumbnailName(thumbnailUri(cover(i), false)); };
    const std::vector<std::string> env = {"XDG_CACHE_HOME=" + cacheHome};

    // Shows album `i` in the middle and waits for `colour` there.
    auto showsAt = [&](BrowserRun& browser, int i, const RgbPicture& picture) {
        pressKeys(browser.window(), {"Home"});
        for (int k = 0; k < i; ++k) pressKeys(browser.window(), {"Right"});
        Photo seen;
        EXPECT_TRUE(waitFor([&] { return middleShows(seen = photograph(browser.window()), picture); }, 15000))
            << "album " << i << ": middle pixel " << middleColour(seen);
    };
    // 64-pixel covers make 64-pixel textures, whose class is normal; album 0's is x-large.
    auto classOf = [](int i) { return std::string(i == 0 ? "/x-large/" : "/normal/"); };

    {
        BrowserOptions options;
        options.musicFolder = music;
        options.extraEnv = env;
        BrowserRun first(options);
        ASSERT_NE(first.window(), 0u) << first.process->err();
        auto written = [&] {
            for (int i = 0; i < 4; ++i)
                if (!platform::isFile(thumbnails + classOf(i) + nameOf(i))) return false;
            return platform::isFile(thumbnails + "/fail/vellora-0.1/" + nameOf(4));
        };
        EXPECT_TRUE(waitFor(written, 20000)) << first.process->err();
        pressKeys(first.window(), {"Escape"});
        int status = -1;
        ASSERT_TRUE(first.waitExit(5000, &status));
    }
    EXPECT_EQ(modeOf(thumbnails), 0700);
    EXPECT_EQ(modeOf(thumbnails + "/x-large"), 0700);
    EXPECT_EQ(modeOf(thumbnails + "/normal"), 0700);
    EXPECT_EQ(modeOf(thumbnails + "/fail/vellora-0.1"), 0700);
    for (int i = 0; i < 4; ++i) {
        const std::string path = thumbnails + classOf(i) + nameOf(i);
        const PngThumbnailInfo info = thumbnailAt(path);
        EXPECT_EQ(modeOf(path), 0600) << path;
        EXPECT_EQ(info.text("Thumb::URI"), thumbnailUri(cover(i), false));
        EXPECT_EQ(info.text("Thumb::MTime"), std::to_string(mtimeOf(cover(i))));
        EXPECT_EQ(info.text("Thumb::Size"), std::to_string(readWholeFile(cover(i)).size()));
        EXPECT_EQ(info.text("Thumb::Image::Width"), i == 0 ? "640" : "64");
        EXPECT_EQ(info.text("Thumb::Image::Height"), i == 0 ? "480" : "64");
        EXPECT_EQ(info.width, i == 0 ? 512 : 64) << i;  // never larger than the original
        EXPECT_EQ(info.height, i == 0 ? 384 : 64) << i;
    }
    const PngThumbnailInfo failed = thumbnailAt(thumbnails + "/fail/vellora-0.1/" + nameOf(4));
    EXPECT_EQ(failed.text("Thumb::URI"), thumbnailUri(cover(4), false));
    EXPECT_EQ(failed.text("Thumb::MTime"), std::to_string(mtimeOf(cover(4))));
    // Nothing half-written is left about.
    for (const char* folder : {"/normal", "/x-large", "/fail/vellora-0.1"})
        for (const platform::FindEntry& entry : listAll(thumbnails + folder))
            EXPECT_EQ(entry.name.find(".tmp"), std::string::npos) << entry.name;

    // Album 0: corrupted, its time put back. Album 1: a new picture, a new time.
    const int64_t wideTime = mtimeOf(cover(0));
    std::ofstream(cover(0), std::ios::binary | std::ios::trunc) << "\x89PNG\r\n\x1a\n corrupted since";
    setMtime(cover(0), wideTime);
    ASSERT_TRUE(writePng(cover(1), magenta, PngKind::Rgb));
    setMtime(cover(1), mtimeOf(cover(1)) + 10);
    // Album 2: another program's thumbnail, without the original's size, in
    // teal; at 512 pixels it serves the 512-texel texture a cover of unknown
    // size might need.
    const std::vector<uint8_t> foreignPng = encodePngThumbnail(
        teal.rgb.data(), teal.width, teal.height,
        {{"Thumb::URI", thumbnailUri(cover(2), false)}, {"Thumb::MTime", std::to_string(mtimeOf(cover(2)))},
         {"Software", "Another File Manager 3.1"}});
    pictures.writeFile("cache home/thumbnails/x-large/" + nameOf(2), std::string(foreignPng.begin(), foreignPng.end()));

    BrowserOptions options;
    options.musicFolder = music;
    options.extraEnv = env;
    BrowserRun second(options);
    ASSERT_NE(second.window(), 0u) << second.process->err();
    showsAt(second, 0, wide);
    showsAt(second, 1, magenta);
    showsAt(second, 2, teal);
    showsAt(second, 3, coverOf(3));
    // The new picture's thumbnail replaces the stale one.
    EXPECT_TRUE(waitFor(
        [&] { return thumbnailAt(thumbnails + classOf(1) + nameOf(1)).text("Thumb::MTime") ==
                     std::to_string(mtimeOf(cover(1))); },
        10000));
    pressKeys(second.window(), {"Escape"});
    int status = -1;
    ASSERT_TRUE(second.waitExit(5000, &status));
    const std::string err = second.process->err();
    EXPECT_NE(err.find("cannot show the cover " + cover(4) + ": it could not be read on an earlier run"),
              std::string::npos)
        << err;
    EXPECT_EQ(err.find(cover(0)), std::string::npos) << err;  // served from its thumbnail, never decoded
}
