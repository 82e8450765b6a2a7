// The Windows folder watch against real folders and the system's own calls
// (under Wine in CI): one watch over the music folder's whole tree, the
// folder holding each change told in the form the music folder was given.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <set>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Added = platform::FolderWatch::Added;

const std::string kWideName = "\xCE\xA9mega \xE6\x97\xA5\xE6\x9C\xAC";  // outside every European code page

// What the watch tells until every folder of `expected` is among it, or
// until a generous while has passed (the system delivers on its own time).
std::set<std::string> gather(platform::FolderWatch& watch, const std::set<std::string>& expected) {
    std::set<std::string> told;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::includes(told.begin(), told.end(), expected.begin(), expected.end()) &&
           std::chrono::steady_clock::now() < until) {
        bool overflow = true;
        for (const std::string& folder : watch.wait(200, &overflow)) told.insert(folder);
        EXPECT_FALSE(overflow);
    }
    return told;
}

fs::path pathOf(const std::string& utf8) { return fs::u8path(utf8); }

std::string listed(const std::set<std::string>& folders) {
    std::string text;
    for (const std::string& folder : folders) text += "\n  " + folder;
    return text;
}

}  // namespace

// Each folder is made in a step of its own: Wine (8.0) tells changes below a
// sub-folder only when it saw that folder being made, so a tree that was
// there before the watch, or made faster than it notices, goes untold there.
TEST(WindowsFolderWatch, TellsTheFolderHoldingEachChangeAnywhereBelowTheRoot) {
    TempDir dir, other;
    const std::string music = dir.makeFolder("music"), sentinel = other.makeFolder("sentinel");
    const std::string artist = dir.at("music/artist"), album = dir.at("music/artist/album");
    const std::string wide = dir.at("music/" + kWideName);
    auto watch = platform::makeFolderWatch();
    ASSERT_EQ(watch->watch(music), Added::Watching);
    EXPECT_EQ(watch->watch(sentinel), Added::Watching) << "a second root";
    EXPECT_EQ(watch->watch(dir.at("absent")), Added::Failed);
    EXPECT_EQ(watch->watch(dir.writeFile("file", "")), Added::Failed) << "a file is no folder";
    for (const char* share : {"\\\\nas\\music", "//nas/music", "\\\\?\\UNC\\nas\\music"})
        EXPECT_EQ(watch->watch(share), Added::NoEvents) << share;  // told by the name: no network is asked

    struct Case {
        const char* what;
        std::function<void()> act;
        std::set<std::string> told;
    } cases[] = {
        {"a folder made", [&] { dir.makeFolder("music/artist"); }, {music}},
        {"a folder made below it", [&] { dir.makeFolder("music/artist/album"); }, {artist}},
        {"a file written two below", [&] { dir.writeFile("music/artist/album/cover.jpg", "jpeg"); }, {album}},
        {"a file renamed", [&] { fs::rename(pathOf(album + "\\cover.jpg"), pathOf(album + "\\folder.jpg")); }, {album}},
        {"a file moved up", [&] { fs::rename(pathOf(album + "\\folder.jpg"), pathOf(artist + "\\folder.jpg")); },
         {album, artist}},
        {"a folder removed", [&] { fs::remove(pathOf(album)); }, {artist}},
        {"a name outside the code page", [&] { dir.makeFolder("music/" + kWideName); }, {music}},
        {"a file in it", [&] { dir.writeFile("music/" + kWideName + "/cover.png", "png"); }, {wide}},
    };
    // Besides its own folder a change may touch the last-write time of the
    // folders above it; never anything else.
    std::set<std::string> holders;
    for (const Case& c : cases) holders.insert(c.told.begin(), c.told.end());
    for (const Case& c : cases) {
        c.act();
        const std::set<std::string> told = gather(*watch, c.told);
        EXPECT_TRUE(std::includes(told.begin(), told.end(), c.told.begin(), c.told.end())) << c.what << listed(told);
        for (const std::string& folder : told) EXPECT_TRUE(holders.count(folder)) << c.what << ": " << folder;
    }
    EXPECT_EQ(watch->watch(artist), Added::Watching) << "below the root: watched already";

    // Unwatched, the root tells nothing more, nor does the folder below it
    // that had no handle of its own; the other root goes on.
    watch->unwatch(music);
    dir.makeFolder("music/after unwatch");
    dir.makeFolder("music/artist/after unwatch");
    other.writeFile("sentinel/x", "");
    EXPECT_EQ(gather(*watch, {sentinel}), std::set<std::string>{sentinel});
    // Watched again, it is opened anew.
    ASSERT_EQ(watch->watch(music), Added::Watching);
    dir.makeFolder("music/after watch");
    EXPECT_EQ(gather(*watch, {music}), std::set<std::string>{music});
}

// Moved away rather than removed: Wine keeps a removed folder on disk, and
// opening as before, until the watch's own handle closes, so a removal
// cannot be seen there (Windows refuses to open a folder marked for deletion).
TEST(WindowsFolderWatch, TheRootMovedAwayIsToldAndCanBeWatchedAgain) {
    TempDir dir;
    const std::string root = dir.makeFolder("root");
    auto watch = platform::makeFolderWatch();
    ASSERT_EQ(watch->watch(root), Added::Watching);
    fs::rename(pathOf(root), pathOf(dir.at("elsewhere")));
    EXPECT_EQ(gather(*watch, {root}), std::set<std::string>{root});
    EXPECT_EQ(watch->watch(root), Added::Failed) << "it is not there";
    dir.makeFolder("root");
    ASSERT_EQ(watch->watch(root), Added::Watching) << "dropped when it went, so opened anew";
    dir.writeFile("root/again", "");
    EXPECT_EQ(gather(*watch, {root}), std::set<std::string>{root});
}

TEST(WindowsFolderWatch, GoingAwayEndsAWaitUnderWay) {
    TempDir dir;
    auto watch = platform::makeFolderWatch();
    ASSERT_EQ(watch->watch(dir.path()), Added::Watching);
    std::promise<void> waited, destroyed;
    std::future<void> waitedEnd = waited.get_future(), destroyedEnd = destroyed.get_future();
    std::thread waiter([raw = watch.get(), done = std::move(waited)]() mutable {
        bool overflow;
        raw->wait(10 * 60 * 1000, &overflow);
        done.set_value();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the waiter is inside wait() by now
    std::thread destroyer([raw = watch.release(), done = std::move(destroyed)]() mutable {
        delete raw;
        done.set_value();
    });
    // A minute against the ten the wait was given: a hang fails, not stalls the run.
    const bool ended = destroyedEnd.wait_for(std::chrono::minutes(1)) == std::future_status::ready &&
                       waitedEnd.wait_for(std::chrono::seconds(1)) == std::future_status::ready;
    if (!ended) {
        waiter.detach();
        destroyer.detach();
        FAIL() << "the watch's destructor did not end the wait under way";
    }
    waiter.join();
    destroyer.join();
}
