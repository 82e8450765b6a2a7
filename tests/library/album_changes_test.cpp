// The library changing under the browser: a folder listed again, and its
// albums replaced in the list, in their places, keeping what is known of the
// ones that stay.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "library/albums_loader.h"
#include "library/change_gatherer.h"
#include "library/library_walk.h"
#include "platform/platform.h"
#include "support/temp_dir.h"

namespace {

// A key as the library spells it: its parts joined by the system's separator.
std::string k(std::string path) {
    std::replace(path.begin(), path.end(), '/', platform::kSeparator);
    return path;
}

std::vector<std::string> keysOf(AlbumsLoader& albums) {
    std::vector<std::string> keys;
    for (int i = 0; i < albums.getAlbumsCount(); ++i) keys.push_back(albums.getAlbumKey(i));
    return keys;
}

}  // namespace

// Artists' folders with albums below them (depth 2), and "Loose", an album
// lying directly at the top. Each step changes the folders, lists one folder
// again as the watch does (from what the scan and the steps before saw), and
// checks the list and where the old albums went.
TEST(AlbumChanges, AFolderListedAgainReplacesItsAlbumsInPlace) {
    TempDir dir;
    const std::string music = dir.makeFolder("music");
    for (const char* folder : {"Artist A/Album 1", "Artist A/Album 3", "Artist C/Album 1"})
        dir.makeFolder(std::string("music/") + folder);
    dir.makeFolder("music/Loose");
    dir.writeFile("music/Loose/cover.png", "");
    AlbumsLoader albums(music, "", 2);
    ASSERT_EQ(keysOf(albums), (std::vector<std::string>{k("Artist A/Album 1"), k("Artist A/Album 3"), k("Artist C/Album 1"), "Loose"}));
    albums.setAlbumLoaded(1, true);  // "Artist A/Album 3": known state that must move with it

    const auto remove = [&](const char* folder) { std::filesystem::remove_all(dir.at(std::string("music/") + folder)); };
    struct Step {
        std::function<void()> change;
        std::string listed;
        std::vector<std::string> keys;
        std::vector<int> newIndexOfOld;  // empty: nothing changed (no album was there either)
    };
    const Step steps[] = {
        {[&] { dir.makeFolder("music/Artist A/Album 2"); }, "Artist A",
         {k("Artist A/Album 1"), k("Artist A/Album 2"), k("Artist A/Album 3"), k("Artist C/Album 1"), "Loose"}, {0, 2, 3, 4}},
        {[&] { dir.makeFolder("music/artist b/Album 1"); }, "",  // a new artist: the music folder changed
         {k("Artist A/Album 1"), k("Artist A/Album 2"), k("Artist A/Album 3"), k("artist b/Album 1"), k("Artist C/Album 1"), "Loose"},
         {0, 1, 2, 4, 5}},
        {[&] { remove("Artist C"); }, "Artist C",
         {k("Artist A/Album 1"), k("Artist A/Album 2"), k("Artist A/Album 3"), k("artist b/Album 1"), "Loose"}, {0, 1, 2, 3, -1, 4}},
        {[] {}, "Artist A", {k("Artist A/Album 1"), k("Artist A/Album 2"), k("Artist A/Album 3"), k("artist b/Album 1"), "Loose"}, {}},
        // An artist's folder that had no album gets one: it goes where its path falls.
        {[&] { dir.makeFolder("music/Artist D/X"); }, "Artist D",
         {k("Artist A/Album 1"), k("Artist A/Album 2"), k("Artist A/Album 3"), k("artist b/Album 1"), k("Artist D/X"), "Loose"},
         {0, 1, 2, 3, 5}},
        // The loose album loses its picture and gains a folder: it is an artist now.
        {[&] { remove("Loose/cover.png"); dir.makeFolder("music/Loose/Part 1"); }, "Loose",
         {k("Artist A/Album 1"), k("Artist A/Album 2"), k("Artist A/Album 3"), k("artist b/Album 1"), k("Artist D/X"), k("Loose/Part 1")},
         {0, 1, 2, 3, 4, -1}},
        {[&] { remove("Artist A/Album 1"); remove("Artist A/Album 3"); }, "Artist A",
         {k("Artist A/Album 2"), k("artist b/Album 1"), k("Artist D/X"), k("Loose/Part 1")}, {-1, 0, -1, 1, 2, 3}},
    };
    FolderMemory memory = albums.takeFoldersSeen();  // what the watch starts from
    for (const Step& step : steps) {
        step.change();
        bool there = false;
        const AlbumChange change = walkAgain(music, 2, k(step.listed), memory, &there);
        EXPECT_EQ(there, step.listed != "Artist C") << step.listed;
        std::vector<int> newIndexOfOld;
        EXPECT_EQ(albums.applyChange(change, &newIndexOfOld), !step.newIndexOfOld.empty());
        EXPECT_EQ(newIndexOfOld, step.newIndexOfOld) << step.listed;
        const std::vector<std::string> keys = keysOf(albums);
        EXPECT_EQ(keys, step.keys) << step.listed;
        for (size_t i = 0; i < keys.size(); ++i)  // what was known of an album stays with it
            EXPECT_EQ(albums.getAlbumLoaded(int(i)), keys[i] == k("Artist A/Album 3")) << keys[i];
    }
    EXPECT_STREQ(albums.getAlbumName(0), "Artist A - Album 2");
    EXPECT_EQ(albums.getAlbumFolder(2), music + platform::kSeparator + k("Artist D/X"));
    // The folders above the album level the walks went through are known, so
    // the watch can follow the artists that came.
    EXPECT_EQ(foldersAboveKnown(memory, 2, ""), (std::vector<std::string>{"", "Artist A", "artist b", "Artist D", "Loose"}));
    EXPECT_FALSE(walkFolders(music, 2, k("Artist D/X"), memory)) << "an album's own folder lists nothing";
    // Everything gone, then back.
    std::filesystem::rename(music, dir.at("away"));
    bool there = true;
    std::vector<int> newIndexOfOld;
    EXPECT_TRUE(albums.applyChange(walkAgain(music, 2, "", memory, &there), &newIndexOfOld));
    EXPECT_FALSE(there);
    EXPECT_EQ(newIndexOfOld, (std::vector<int>{-1, -1, -1, -1}));
    EXPECT_EQ(albums.getAlbumsCount(), 0);
    EXPECT_TRUE(memory.empty()) << "nothing is remembered of a folder gone";
    std::filesystem::rename(dir.at("away"), music);
    EXPECT_TRUE(albums.applyChange(walkAgain(music, 2, "", memory), &newIndexOfOld)) << "from nothing: a change all the same";
    EXPECT_TRUE(newIndexOfOld.empty());
    EXPECT_EQ(albums.getAlbumsCount(), 4);
}

// A burst of changes in a folder makes one listing, half a second after the
// last of them; a folder goes before the folders below it; ticks may wrap.
TEST(ChangeGatherer, AFolderIsHandedOnOnceQuietForHalfASecond) {
    ChangeGatherer gatherer;
    EXPECT_EQ(gatherer.untilNextQuiet(0, 200), 200u);
    for (uint32_t tick = 0; tick <= 1200; tick += 100) gatherer.changed("Album", tick);  // a copy going on
    EXPECT_TRUE(gatherer.takeQuiet(1600).empty());
    EXPECT_EQ(gatherer.untilNextQuiet(1600, 200), 100u);
    EXPECT_EQ(gatherer.takeQuiet(1700), (std::vector<std::string>{"Album"}));
    EXPECT_TRUE(gatherer.takeQuiet(5000).empty()) << "handed on once";

    gatherer.changed("Artist/Album", 6000);
    gatherer.changed("Artist", 6100);
    gatherer.changed("Other", 6400);
    EXPECT_EQ(gatherer.takeQuiet(6600), (std::vector<std::string>{"Artist", "Artist/Album"}));
    EXPECT_EQ(gatherer.untilNextQuiet(6600, 1000), 300u);

    gatherer.changed("Late", 0xFFFFFF00u);
    EXPECT_EQ(gatherer.takeQuiet(0x10), (std::vector<std::string>{"Other"})) << "272 ms across the wrap";
    EXPECT_EQ(gatherer.takeQuiet(0x100), (std::vector<std::string>{"Late"}));
    EXPECT_TRUE(gatherer.empty());
}

// What went and what came between two lists of keys, whatever stands alike
// at their start and end; the new ones with their places and captions.
TEST(AlbumChanges, WhatWentAndWhatCameBetweenTwoListings) {
    const char s = platform::kSeparator;
    const std::string ax = std::string("A") + s + "x";
    struct Case {
        const char* what;
        std::vector<std::string_view> before, after;
        std::vector<std::string> gone, added;
        std::vector<size_t> addedAt;
    };
    const Case cases[] = {
        {"the same", {"a", "b", "c"}, {"a", "b", "c"}, {}, {}, {}},
        {"one came first", {"b", "c"}, {"a", "b", "c"}, {}, {"a"}, {0}},
        {"one came between", {"a", "c"}, {"a", "b", "c"}, {}, {"b"}, {1}},
        {"one came last", {"a", "b"}, {"a", "b", "c"}, {}, {"c"}, {2}},
        {"one went, two came", {"a", "b", "c"}, {"a", "b2", "c", "d"}, {"b"}, {"b2", "d"}, {1, 3}},
        {"all went", {"a", "b"}, {}, {"a", "b"}, {}, {}},
        {"from nothing", {}, {"a", ax}, {}, {"a", ax}, {0, 1}},
        {"in another order", {"a", "b", "c"}, {"c", "b", "a"}, {}, {}, {}},
    };
    for (const Case& c : cases) {
        const AlbumChange change = albumChangeBetween("", c.before, c.after);
        EXPECT_EQ(change.gone, c.gone) << c.what;
        std::vector<std::string> added;
        for (const FoundAlbum& album : change.added) added.push_back(album.folder);
        EXPECT_EQ(added, c.added) << c.what;
        EXPECT_EQ(change.addedAt, c.addedAt) << c.what;
        EXPECT_EQ(change.albumsAfter, c.after.size()) << c.what;
        EXPECT_EQ(change.empty(), c.gone.empty() && c.added.empty()) << c.what;
    }
    EXPECT_EQ(albumChangeBetween("", {}, {ax}).added[0].caption, "A - x");
}
