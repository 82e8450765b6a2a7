// The library following its folder while the real browser runs: albums
// copied in, removed and given new covers under a running window, seen in
// the frame log (where the selection stands) and in the window's pixels.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "pictures/picture_writer.h"
#include "support/app_fixture.h"
#include "support/browser_run.h"
#include "support/frame_log_reader.h"
#include "support/photo.h"
#include "support/process.h"
#include "support/x11_window.h"

namespace {

RgbPicture colour(uint8_t r, uint8_t g, uint8_t b) { return solidPicture(64, 64, r, g, b); }
RgbPicture coverOf(int i) { return colour(uint8_t(40 + 30 * i), uint8_t(220 - 30 * i), uint8_t(60 * (i % 3))); }

bool middleShows(BrowserRun& browser, const RgbPicture& cover) { return middleShowsWithin(browser.window(), cover.at(0, 0)); }

std::string albumAt(const std::string& music, const std::string& name) { return music + "/" + name; }

// A new picture at `path`, its time moved on so no cache takes it for the old one.
void replaceCover(const std::string& path, const RgbPicture& picture) {
    struct stat before;
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    ASSERT_TRUE(writePng(path, picture, PngKind::Rgb));
    const struct timespec times[2] = {{before.st_mtime + 10, 0}, {before.st_mtime + 10, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

}  // namespace

// Five albums, "album 00002" selected. An album added before it and one
// removed before it: the selection follows its album at once, without a
// glide, and the middle keeps its picture. The selected album's cover
// replaced: the new picture shows. The selected album removed: the next one
// takes the middle. An album copied in slowly after it: it appears once the
// copy is done, with its cover. Every album removed: the browser runs on
// with an empty floor, and shows the album put back. The music folder moved
// away and back: the same. Then a run without folder watches says so once
// and follows the folder by listing it again.
TEST(LiveLibrary, AlbumsComeAndGoUnderTheRunningWindow) {
    TempDir pictures;
    const std::string music = makeMusicFolder(pictures, 5, [](const std::string& folder, int i) {
        writePng(folder + "/cover.png", coverOf(i), PngKind::Rgb);
    });
    const auto addAlbum = [&](const std::string& name, const RgbPicture& cover) {
        const std::string staging = pictures.makeFolder("staging/" + name);
        ASSERT_TRUE(writePng(staging + "/cover.png", cover, PngKind::Rgb));
        std::filesystem::rename(staging, albumAt(music, name));  // appears whole, as a move does
    };
    BrowserOptions options;
    options.musicFolder = music;
    options.frameLog = true;
    BrowserRun browser(options);
    ASSERT_NE(browser.window(), 0u) << browser.process->err();
    pressKeys(browser.window(), {"Home", "Right", "Right"});
    ASSERT_EQ(waitRestingOn(browser.frameLog, 2).selection, 2);
    EXPECT_TRUE(middleShows(browser, coverOf(2)));

    const RgbPicture added = colour(250, 250, 20);
    addAlbum("album 00000 live", added);
    EXPECT_EQ(waitRestingOn(browser.frameLog, 3).selection, 3) << "an album came before the selection";
    for (const LoggedFrame& frame : loggedFrames(browser.frameLog))
        if (frame.selection == 3) {
            EXPECT_EQ(frame.position, 3.0) << "the row glided: frame " << frame.number;
        }
    EXPECT_TRUE(middleShows(browser, coverOf(2)));

    std::filesystem::remove_all(albumAt(music, "album 00000"));
    EXPECT_EQ(waitRestingOn(browser.frameLog, 2).selection, 2) << "an album before the selection went";
    EXPECT_TRUE(middleShows(browser, coverOf(2)));

    const RgbPicture replaced = colour(250, 20, 250);
    replaceCover(albumAt(music, "album 00002/cover.png"), replaced);
    EXPECT_TRUE(middleShows(browser, replaced)) << "the selected album's new cover";

    std::filesystem::remove_all(albumAt(music, "album 00002"));
    EXPECT_TRUE(middleShows(browser, coverOf(3))) << "the next album takes the selected one's place";
    EXPECT_EQ(waitRestingOn(browser.frameLog, 2).selection, 2);

    // Copied in slowly: the folder first, then its picture in pieces.
    const std::string slow = pictures.makeFolder("staging/slow");
    ASSERT_TRUE(writePng(slow + "/cover.png", colour(20, 250, 250), PngKind::Rgb));
    std::ifstream in(slow + "/cover.png", std::ios::binary);
    const std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string copied = pictures.makeFolder("music/album 00003 copied");
    {
        std::ofstream out(copied + "/cover.png", std::ios::binary);
        for (size_t at = 0; at < png.size(); at += png.size() / 4 + 1) {
            out.write(png.data() + at, std::streamsize(std::min(png.size() - at, png.size() / 4 + 1)));
            out.flush();
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
    }
    // Now: 00000 live, 00001, 00003, 00003 copied, 00004. End is pressed until
    // it reaches the fifth album, which it does once the copy is in the list.
    EXPECT_TRUE(waitFor([&] {
        pressKeys(browser.window(), {"End"});
        return waitRestingOn(browser.frameLog, 4, 1000).selection == 4;
    }, 15000));
    pressKeys(browser.window(), {"Left"});
    EXPECT_EQ(waitRestingOn(browser.frameLog, 3).selection, 3);
    EXPECT_TRUE(middleShows(browser, colour(20, 250, 250))) << "the copied album with its cover";

    for (const auto& entry : std::filesystem::directory_iterator(music)) std::filesystem::remove_all(entry.path());
    EXPECT_TRUE(waitFor([&] { return lastLoggedFrame(browser.frameLog).textures == 0; }, 10000))
        << "no cover left standing";
    const Photo empty = photograph(browser.window());
    EXPECT_GT(empty.countInRows(empty.height - 55, empty.height - 20, isLight), 20) << "the line saying so";
    EXPECT_FALSE(empty.shows(empty.width / 2, empty.height / 2, coverOf(3).at(0, 0)));
    addAlbum("back", added);
    EXPECT_TRUE(middleShows(browser, added)) << "an album in the emptied folder";

    std::filesystem::rename(music, pictures.at("away"));
    EXPECT_TRUE(waitFor([&] { return lastLoggedFrame(browser.frameLog).textures == 0; }, 10000));
    std::filesystem::rename(pictures.at("away"), music);
    EXPECT_TRUE(middleShows(browser, added)) << "the music folder back again";

    pressKeys(browser.window(), {"Escape"});
    int status = -1;
    ASSERT_TRUE(browser.waitExit(10000, &status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(browser.process->err(), "");

    // No folder watch to be had: one line says so, and the folder is listed
    // again every rescaninterval seconds instead, through the same changes:
    // an album added before the selection and taken away again leave the
    // selected album in the middle, and its cover rewritten in place shows.
    const RgbPicture second = colour(20, 120, 250);
    addAlbum("m album", second);
    options.extraEnv = {"VELLORA_FOLDER_WATCHES=0"};
    options.settings = "rescaninterval = 1\n";
    BrowserRun unwatched(options);
    ASSERT_NE(unwatched.window(), 0u) << unwatched.process->err();
    pressKeys(unwatched.window(), {"End"});
    ASSERT_EQ(waitRestingOn(unwatched.frameLog, 1).selection, 1);
    EXPECT_TRUE(middleShows(unwatched, second));
    addAlbum("a new", added);
    EXPECT_EQ(waitRestingOn(unwatched.frameLog, 2).selection, 2) << "an album came before the selection";
    EXPECT_TRUE(middleShows(unwatched, second));
    std::filesystem::remove_all(albumAt(music, "a new"));
    EXPECT_EQ(waitRestingOn(unwatched.frameLog, 1).selection, 1) << "an album before the selection went";
    for (const LoggedFrame& frame : loggedFrames(unwatched.frameLog))
        if (frame.selection != 1) {
            EXPECT_EQ(frame.position, double(frame.selection)) << "the row glided: frame " << frame.number;
        }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the shown cover's file is followed
    const RgbPicture rewritten = colour(250, 130, 20);
    replaceCover(albumAt(music, "m album/cover.png"), rewritten);
    EXPECT_TRUE(middleShows(unwatched, rewritten)) << "the selected album's cover rewritten in place";
    pressKeys(unwatched.window(), {"Escape"});
    ASSERT_TRUE(unwatched.waitExit(10000, &status));
    EXPECT_EQ(unwatched.process->err(), "vellora: the system has no folder watches left to follow " + music +
                                            "; it is listed again every 1 s to follow it (rescaninterval)\n");
}
