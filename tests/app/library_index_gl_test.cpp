// The real browser and its library index over several starts: a first start
// writes it, a second one shows the library from it before its walk has
// listed anything, and the walk behind it brings in what changed while the
// browser was not running. A damaged, foreign or unwritable index, or one
// whose writer was killed, never keeps the browser from starting.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sqlite3.h>

#include "library/library_index.h"
#include "pictures/picture_writer.h"
#include "platform/platform.h"
#include "support/app_fixture.h"
#include "support/browser_run.h"
#include "support/frame_log_reader.h"
#include "support/photo.h"
#include "support/process.h"
#include "support/x11_window.h"

namespace {

RgbPicture coverOf(int i) { return solidPicture(64, 64, uint8_t(40 + 30 * i), uint8_t(220 - 30 * i), uint8_t(60 * (i % 3))); }

bool middleShows(BrowserRun& browser, const RgbPicture& cover) { return middleShowsWithin(browser.window(), cover.at(0, 0)); }

size_t lines(const std::string& text) { return size_t(std::count(text.begin(), text.end(), '\n')); }

// A run on `music` with a frame log, keeping its index below `cache`.
BrowserOptions withCache(const std::string& music, const std::string& cache) {
    BrowserOptions options;
    options.musicFolder = music;
    options.frameLog = true;
    options.extraEnv = {"XDG_CACHE_HOME=" + cache};
    return options;
}

// Ends the browser with Escape, which must end it with status 0: what it
// wrote on stderr.
std::string endWithEscape(BrowserRun& browser) {
    pressKeys(browser.window(), {"Escape"});
    int status = -1;
    EXPECT_TRUE(browser.waitExit(15000, &status));
    EXPECT_EQ(status, 0);
    return browser.process->err();
}

// Runs the browser until its first frame, then ends it with Escape.
std::string startAndEnd(const BrowserOptions& options) {
    BrowserRun browser(options);
    EXPECT_NE(browser.window(), 0u) << browser.process->err();
    EXPECT_TRUE(waitFor([&] { return !loggedFrames(browser.frameLog).empty(); }, 30000)) << browser.process->err();
    return endWithEscape(browser);
}

// What the index at `path` holds of the music folder at depth 1.
IndexedLibrary readIndex(const std::string& path, const std::string& music) {
    LibraryIndex index(path, music, 1);
    IndexedLibrary library;
    index.read(&library);
    return library;
}

void setUserVersion(const std::string& path, int version) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const std::string sql = "PRAGMA user_version = " + std::to_string(version);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

}  // namespace

// Five albums with a cover each. The first start writes every album into the
// index and, at its end, the album selected. The second start with its walk
// held for good still shows the library: the five albums of the index. Then,
// with an album removed before the selection and one added after it while
// the browser was not running, a start whose walk is held a few seconds
// shows the old five at once; the walk then takes the removed one out and
// brings the new one in without moving what stands in the middle.
TEST(LibraryIndexRun, ASecondStartShowsTheIndexedLibraryAndItsWalkBringsInWhatChanged) {
    TempDir pictures;
    const std::string music = makeMusicFolder(pictures, 5, [](const std::string& folder, int i) {
        writePng(folder + "/cover.png", coverOf(i), PngKind::Rgb);
    });
    const std::string cache = pictures.makeFolder("cache");
    const std::string index = cache + "/vellora/library.sqlite";
    BrowserOptions options = withCache(music, cache);
    {
        BrowserRun first(options);
        ASSERT_NE(first.window(), 0u) << first.process->err();
        pressKeys(first.window(), {"Home", "Right", "Right", "Right"});
        ASSERT_EQ(waitRestingOn(first.frameLog, 3).selection, 3);
        EXPECT_EQ(endWithEscape(first), "");
    }
    const IndexedLibrary written = readIndex(index, music);
    ASSERT_EQ(written.albums.size(), 5u) << "the first start wrote the index";
    EXPECT_EQ(written.albums[4].key, "album 00004");
    EXPECT_EQ(written.lastAlbum, "album 00003") << "the album selected at the end";

    options.extraEnv = {"XDG_CACHE_HOME=" + cache, "VELLORA_SCAN_DELAY_MS=600000"};
    {
        BrowserRun held(options);
        ASSERT_NE(held.window(), 0u) << held.process->err();
        ASSERT_TRUE(waitFor([&] { return !loggedFrames(held.frameLog).empty(); }, 30000))
            << "a frame with the library while the walk has not begun";
        pressKeys(held.window(), {"End"});
        EXPECT_EQ(waitRestingOn(held.frameLog, 4).selection, 4);
        EXPECT_TRUE(middleShows(held, coverOf(4)));
        EXPECT_EQ(endWithEscape(held), "");
    }

    std::filesystem::remove_all(music + "/album 00000");
    const RgbPicture added = solidPicture(64, 64, 250, 250, 20);
    pictures.makeFolder("staging/album 00003 new");
    ASSERT_TRUE(writePng(pictures.at("staging/album 00003 new/cover.png"), added, PngKind::Rgb));
    std::filesystem::rename(pictures.at("staging/album 00003 new"), music + "/album 00003 new");
    options.extraEnv = {"XDG_CACHE_HOME=" + cache, "VELLORA_SCAN_DELAY_MS=5000"};
    BrowserRun third(options);
    ASSERT_NE(third.window(), 0u) << third.process->err();
    pressKeys(third.window(), {"Home", "Right", "Right"});
    const LoggedFrame restingOnTheThird = waitRestingOn(third.frameLog, 2);
    ASSERT_EQ(restingOnTheThird.selection, 2);
    EXPECT_TRUE(middleShows(third, coverOf(2))) << "the indexed library, album 00000 still in it";
    EXPECT_EQ(waitRestingOn(third.frameLog, 1, 20000).selection, 1) << "the walk took album 00000 out";
    EXPECT_TRUE(middleShows(third, coverOf(2))) << "the selected album kept the middle";
    for (const LoggedFrame& frame : loggedFrames(third.frameLog))
        if (frame.number > restingOnTheThird.number) {
            EXPECT_EQ(frame.position, double(frame.selection)) << "the row glided: frame " << frame.number;
        }
    pressKeys(third.window(), {"End", "Left"});
    EXPECT_EQ(waitRestingOn(third.frameLog, 3).selection, 3);
    EXPECT_TRUE(middleShows(third, added)) << "the album added while the browser was not running";
    EXPECT_EQ(endWithEscape(third), "");
    const IndexedLibrary reconciled = readIndex(index, music);
    ASSERT_EQ(reconciled.albums.size(), 5u);
    EXPECT_EQ(reconciled.albums[0].key, "album 00001");
    EXPECT_EQ(reconciled.albums[3].key, "album 00003 new");
}

// An index the browser cannot use as it stands: the browser starts as it
// would without one, says so in one line, and (where the file is its own to
// mend) writes a new index. Killed while it writes its first index, the next
// start goes on from what was written.
TEST(LibraryIndexRun, ADamagedForeignUnwritableOrKilledIndexNeverKeepsTheBrowserFromStarting) {
    TempDir pictures;
    const std::string music = makeMusicFolder(pictures, 3);
    struct Case {
        const char* name;
        void (*spoil)(const std::string& indexPath);  // the index made by a first start, spoilt
        const char* line;                              // what the one line says
        bool anew;                                     // a new index holds the library afterwards
    };
    const Case cases[] = {
        {"random bytes",
         [](const std::string& path) {
             std::mt19937 random(7);
             std::string bytes(64 * 1024, '\0');
             for (char& c : bytes) c = char(random());
             std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
         },
         "moved", true},
        {"a truncated file",
         [](const std::string& path) { std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2); },
         "moved", true},
        {"another version", [](const std::string& path) { setUserVersion(path, 99); }, "newer version", false},
        {"a cache folder it cannot make (a file stands there)",
         [](const std::string& path) {
             const std::filesystem::path folder = std::filesystem::path(path).parent_path();
             std::filesystem::remove_all(folder);
             std::ofstream(folder.string()) << "in the way";
         },
         "not keeping a library index", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir run;
        const std::string cache = run.makeFolder("cache");
        const std::string path = cache + "/vellora/library.sqlite";
        const BrowserOptions options = withCache(music, cache);
        EXPECT_EQ(startAndEnd(options), "");
        ASSERT_EQ(readIndex(path, music).albums.size(), 3u);
        c.spoil(path);
        const std::string said = startAndEnd(options);
        EXPECT_EQ(lines(said), 1u) << said;
        EXPECT_NE(said.find(c.line), std::string::npos) << said;
        if (c.anew) {
            EXPECT_EQ(readIndex(path, music).albums.size(), 3u) << "a new index";
        }
    }

    // Killed (SIGKILL) as soon as its first frame is drawn, while the index
    // of a thousand albums is being written.
    const std::string big = makeMusicFolder(pictures, 1000, {}, "big");
    TempDir run;
    const std::string cache = run.makeFolder("cache");
    const BrowserOptions options = withCache(big, cache);
    {
        BrowserRun killed(options);
        ASSERT_NE(killed.window(), 0u) << killed.process->err();
        ASSERT_TRUE(waitFor([&] { return !loggedFrames(killed.frameLog).empty(); }, 30000));
        killed.process->kill();
    }
    BrowserRun after(options);
    ASSERT_NE(after.window(), 0u) << after.process->err();
    EXPECT_TRUE(waitFor([&] {
        pressKeys(after.window(), {"End"});
        return waitRestingOn(after.frameLog, 999, 1000).selection == 999;
    }, 20000)) << "every album there once the walk is done";
    EXPECT_EQ(endWithEscape(after), "");
    EXPECT_EQ(readIndex(cache + "/vellora/library.sqlite", big).albums.size(), 1000u);
}
