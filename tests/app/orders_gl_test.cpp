// The orders of the row in the real program: tags read in the background
// put the row in year order, F2 goes on to the next order with the selected
// album kept in the middle, and startat=last comes back to it in the next
// run, or to the album standing where it stood once it is gone. Seen in the
// frame log, the window's pixels and the stand-in player's record.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "pictures/picture_writer.h"
#include "support/app_fixture.h"
#include "support/audio_files.h"
#include "support/browser_run.h"
#include "support/frame_log_reader.h"
#include "support/photo.h"
#include "support/process.h"
#include "support/x11_window.h"

namespace {

constexpr int kExitWait = 15000;

struct TaggedAlbum {
    const char* name;
    const char* year;    // nullptr: its tags hold none
    const char* artist;
    uint8_t r, g, b;     // its cover
    int64_t filesTime;   // its files' modification time: when it came, for the first index
};
// By name: Alpha, Beta, Delta, Gamma. By year: Beta, Gamma, Alpha, Delta.
// By artist: Gamma (Abba), Delta (Mmm), Beta (Yes), Alpha (Zed).
// Newest first: Delta, Alpha, Gamma, Beta.
const TaggedAlbum kAlbums[] = {
    {"Alpha", "1990", "Zed", 230, 40, 40, 1300000000},
    {"Beta", "1970-05-01", "Yes", 40, 230, 40, 1100000000},
    {"Gamma", "1980", "Abba", 40, 40, 230, 1200000000},
    {"Delta", nullptr, "Mmm", 230, 230, 40, 1400000000},
};
const TaggedAlbum& album(const char* name) {
    for (const TaggedAlbum& a : kAlbums)
        if (std::string(a.name) == name) return a;
    return kAlbums[0];
}

bool middleIs(BrowserRun& browser, const TaggedAlbum& a) {
    const uint8_t rgb[3] = {a.r, a.g, a.b};
    return waitFor(
        [&] {
            const Photo photo = photograph(browser.window());
            return !photo.empty() && photo.shows(photo.width / 2, photo.height / 2, rgb);
        },
        15000);
}

std::string fileText(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void setTime(const std::string& path, int64_t seconds) {
    const struct timespec times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// The notice's pale yellow text in the band near the top.
bool isNoticeInk(const uint8_t* rgb) { return rgb[0] >= 200 && rgb[1] >= 170 && rgb[2] >= 60 && rgb[2] <= 170; }
bool noticeShows(BrowserRun& browser) { return photograph(browser.window()).countInRows(40, 100, isNoticeInk) > 0; }

// Hands the selected album to the stand-in player and gives the folder's name.
std::string played(BrowserRun& browser, size_t callsBefore) {
    pressKeys(browser.window(), {"Return"});
    const std::vector<PlayerCall> calls = browser.waitPlayerCalls(callsBefore + 1);
    if (calls.size() <= callsBefore) return "";
    return std::filesystem::path(calls.back().argument).filename().string();
}

BrowserOptions optionsFor(const TempDir& shared) {
    BrowserOptions options;
    options.musicFolder = shared.at("music");
    options.frameLog = true;
    options.settings = "order = year\nstartat = last\nendplayer = false\n";
    options.extraEnv = {"XDG_CACHE_HOME=" + shared.at("cache")};  // the index lives on across runs
    return options;
}

}  // namespace

TEST(Orders, F2KeepsTheSelectedAlbumAndStartAtLastComesBackToIt) {
    TempDir shared;
    for (const TaggedAlbum& a : kAlbums) {
        const std::string folder = shared.makeFolder(std::string("music/") + a.name);
        ASSERT_TRUE(writePng(folder + "/cover.png", solidPicture(64, 64, a.r, a.g, a.b), PngKind::Rgb));
        shared.writeFile(std::string("music/") + a.name + "/01.mp3", mp3Frames());
        tagMp3(folder + "/01.mp3", 4, a.year, a.artist, nullptr);
        setTime(folder + "/01.mp3", a.filesTime);
        setTime(folder + "/cover.png", a.filesTime - 100);
    }

    {
        BrowserRun browser(optionsFor(shared));
        ASSERT_NE(browser.window(), 0u) << browser.process->err();
        // Once the tags are read the row is put by year again (a change line
        // in the log, the library itself being still): Home gives the oldest.
        EXPECT_TRUE(waitFor([&] { return fileText(browser.frameLog).find("\nchange ") != std::string::npos; }, 30000));
        pressKeys(browser.window(), {"Home"});
        EXPECT_EQ(waitRestingOn(browser.frameLog, 0).selection, 0);
        EXPECT_TRUE(middleIs(browser, album("Beta")));
        pressKeys(browser.window(), {"Right"});
        EXPECT_EQ(waitRestingOn(browser.frameLog, 1).position, 1.0);
        EXPECT_TRUE(middleIs(browser, album("Gamma")));

        // F2: by artist, Gamma first; it stays selected and in the middle, with no glide to it.
        const size_t framesBefore = loggedFrames(browser.frameLog).size();
        pressKeys(browser.window(), {"F2"});
        EXPECT_TRUE(waitFor([&] { return noticeShows(browser); }, 5000)) << "Order: by artist";
        EXPECT_EQ(waitRestingOn(browser.frameLog, 0).position, 0.0);
        const std::vector<LoggedFrame> frames = loggedFrames(browser.frameLog);
        for (size_t i = framesBefore; i < frames.size(); ++i)
            EXPECT_TRUE(frames[i].position == 1.0 || frames[i].position == 0.0) << "a glide: " << frames[i].position;
        EXPECT_TRUE(middleIs(browser, album("Gamma")));
        EXPECT_EQ(played(browser, 0), "Gamma");
        EXPECT_TRUE(waitFor([&] { return !noticeShows(browser); }, 10000)) << "the notice goes after two seconds";

        // F2: by name, where Gamma is the last; F2: newest first (by its files' times), Gamma third.
        pressKeys(browser.window(), {"F2"});
        EXPECT_EQ(waitRestingOn(browser.frameLog, 3).position, 3.0);
        EXPECT_TRUE(middleIs(browser, album("Gamma")));
        pressKeys(browser.window(), {"F2"});
        EXPECT_EQ(waitRestingOn(browser.frameLog, 2).position, 2.0);
        EXPECT_TRUE(middleIs(browser, album("Gamma")));
        pressKeys(browser.window(), {"Home"});
        EXPECT_EQ(waitRestingOn(browser.frameLog, 0).selection, 0);
        EXPECT_TRUE(middleIs(browser, album("Delta")));
        EXPECT_EQ(played(browser, 1), "Delta");
        // Type-to-find in this order, back to Gamma.
        pressKeys(browser.window(), {"g"});
        EXPECT_EQ(waitRestingOn(browser.frameLog, 2).selection, 2);
        pressKeys(browser.window(), {"Escape"});
        int status = -1;
        ASSERT_TRUE(browser.waitExit(kExitWait, &status));
        EXPECT_EQ(status, 0);
    }
    {
        // The next run starts on Gamma, in year order at once: the tags come from the index.
        BrowserRun browser(optionsFor(shared));
        ASSERT_NE(browser.window(), 0u) << browser.process->err();
        EXPECT_EQ(waitRestingOn(browser.frameLog, 1).selection, 1);
        EXPECT_TRUE(middleIs(browser, album("Gamma")));
        EXPECT_EQ(played(browser, 0), "Gamma");
        // Type-to-find goes by the row's order: "a" finds Alpha, the first of the row starting with it.
        pressKeys(browser.window(), {"a"});
        EXPECT_EQ(waitRestingOn(browser.frameLog, 2).selection, 2);
        pressKeys(browser.window(), {"Left", "Escape"});
        int status = -1;
        ASSERT_TRUE(browser.waitExit(kExitWait, &status));
    }
    {
        // While the browser was not running: Delta retagged with the oldest year, as a tagger
        // saves (a new file renamed over the old one, so its folder's time moves: its tags are
        // read again), and Gamma removed. By year: Delta, Beta, Alpha; Alpha now stands where
        // Gamma stood.
        std::filesystem::copy_file(shared.at("music/Delta/01.mp3"), shared.at("music/Delta/.01.mp3.new"));
        tagMp3(shared.at("music/Delta/.01.mp3.new"), 4, "1960", "Mmm", nullptr);
        std::filesystem::rename(shared.at("music/Delta/.01.mp3.new"), shared.at("music/Delta/01.mp3"));
        std::filesystem::remove_all(shared.at("music/Gamma"));
        BrowserRun browser(optionsFor(shared));
        ASSERT_NE(browser.window(), 0u) << browser.process->err();
        EXPECT_TRUE(middleIs(browser, album("Alpha")));
        EXPECT_EQ(waitRestingOn(browser.frameLog, 2).selection, 2);
        EXPECT_EQ(played(browser, 0), "Alpha") << browser.process->err();
        pressKeys(browser.window(), {"Home"});
        EXPECT_EQ(waitRestingOn(browser.frameLog, 0).selection, 0);
        EXPECT_TRUE(middleIs(browser, album("Delta")));

        // An album moved in while the browser runs has its tags read, and the
        // row is put by year again: the new oldest stands first.
        const TaggedAlbum epsilon = {"Epsilon", "1950", "Nnn", 200, 40, 200, 1500000000};
        const std::string staged = shared.makeFolder("staging/Epsilon");
        ASSERT_TRUE(writePng(staged + "/cover.png", solidPicture(64, 64, epsilon.r, epsilon.g, epsilon.b), PngKind::Rgb));
        shared.writeFile("staging/Epsilon/01.mp3", mp3Frames());
        tagMp3(staged + "/01.mp3", 4, epsilon.year, epsilon.artist, nullptr);
        std::filesystem::rename(staged, shared.at("music/Epsilon"));
        const uint8_t rgb[3] = {epsilon.r, epsilon.g, epsilon.b};
        EXPECT_TRUE(waitFor([&] {
            pressKeys(browser.window(), {"Home"});  // the selection stays on its album when the row is put again
            return middleShowsWithin(browser.window(), rgb, 500);
        }, 30000)) << "the new album's year did not put it first";
        pressKeys(browser.window(), {"Escape"});
        int status = -1;
        ASSERT_TRUE(browser.waitExit(kExitWait, &status));
    }
}
