// The inotify folder watch against real folders: what is told, in which
// folder, and what stops the telling.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/temp_dir.h"

namespace {

// Everything the watch tells until it has been quiet for a moment.
std::set<std::string> drain(platform::FolderWatch& watch) {
    std::set<std::string> told;
    bool overflow = false;
    for (;;) {
        const std::vector<std::string> changed = watch.wait(100, &overflow);
        EXPECT_FALSE(overflow);
        if (changed.empty()) return told;
        told.insert(changed.begin(), changed.end());
    }
}

}  // namespace

TEST(FolderWatch, TellsTheFolderOfEachChangeUntilUnwatchedOrGone) {
    TempDir dir;
    const std::string music = dir.makeFolder("music"), artist = dir.makeFolder("music/artist");
    const std::string quiet = dir.makeFolder("quiet"), gone = dir.makeFolder("gone"), moved = dir.makeFolder("moved");
    const std::string inner = dir.makeFolder("moved/inner");
    auto watch = platform::makeFolderWatch();
    for (const std::string& folder : {music, artist, quiet, gone, moved, inner})
        ASSERT_EQ(watch->watch(folder), platform::FolderWatch::Added::Watching) << folder;
    EXPECT_EQ(watch->watch(dir.at("absent")), platform::FolderWatch::Added::Failed);
    watch->unwatch(quiet);
    watch->unwatch(dir.at("never watched"));  // nothing

    namespace fs = std::filesystem;
    struct Case {
        const char* what;
        std::function<void()> act;
        std::set<std::string> told;
    } cases[] = {
        {"a folder made", [&] { dir.makeFolder("music/album"); }, {music}},
        {"a folder renamed", [&] { fs::rename(dir.at("music/album"), dir.at("music/album 2")); }, {music}},
        {"a file written", [&] { dir.writeFile("music/artist/cover.jpg", "jpeg"); }, {artist}},
        {"a file moved across", [&] { fs::rename(dir.at("music/artist/cover.jpg"), dir.at("music/c.jpg")); },
         {music, artist}},
        {"a file removed", [&] { fs::remove(dir.at("music/c.jpg")); }, {music}},
        {"a folder removed", [&] { fs::remove(dir.at("music/album 2")); }, {music}},
        {"an unwatched folder", [&] { dir.writeFile("quiet/x", ""); }, {}},
        {"a watched folder removed", [&] { fs::remove(gone); }, {gone}},
        {"a watched folder moved away", [&] { fs::rename(moved, dir.at("elsewhere")); }, {moved}},
    };
    for (const Case& c : cases) {
        c.act();
        EXPECT_EQ(drain(*watch), c.told) << c.what;
    }

    // A folder made again under a name that went is watched anew, and so is
    // one below it: the folder moved away took it along.
    for (const std::string& folder : {gone, moved, inner}) {
        const std::string relative = folder.substr(dir.path().size() + 1);
        dir.makeFolder(relative);
        ASSERT_EQ(watch->watch(folder), platform::FolderWatch::Added::Watching) << folder;
        drain(*watch);
        dir.writeFile(relative + "/new", "");
        EXPECT_EQ(drain(*watch), std::set<std::string>{folder}) << folder;
    }
    fs::rename(dir.at("elsewhere/inner"), dir.at("elsewhere/renamed"));
    dir.writeFile("elsewhere/renamed/x", "");
    EXPECT_EQ(drain(*watch), std::set<std::string>{}) << "the old inner folder is no longer told as if it were the new";

    // Unwatching a folder stops the watches below it; a limit refuses more.
    watch->unwatch(moved);
    dir.writeFile("moved/inner/y", "");
    EXPECT_EQ(drain(*watch), std::set<std::string>{});
    auto limited = platform::makeFolderWatch(1);
    EXPECT_EQ(limited->watch(music), platform::FolderWatch::Added::Watching);
    EXPECT_EQ(limited->watch(music), platform::FolderWatch::Added::Watching) << "watched already";
    EXPECT_EQ(limited->watch(artist), platform::FolderWatch::Added::Limit);
    EXPECT_EQ(platform::makeFolderWatch(0)->watch(music), platform::FolderWatch::Added::Limit);
}
