// The library following its folder, without a window: the watching thread
// on a real folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "library/albums_loader.h"
#include "library/change_gatherer.h"
#include "library/folder_rules.h"
#include "library/library_index.h"
#include "library/library_scan.h"
#include "library/library_watch.h"
#include "platform/platform.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

// Takes the watch's changes until one satisfies `wanted`, up to 10 s,
// making `change` again before each look when given (the watch reads its
// inbox, and starts, on a thread of its own: a first change may come early),
// far enough apart for the folder to be quiet in between.
bool changeArrives(LibraryWatch& watch, const std::function<bool(const LibraryChange&)>& wanted,
                   const std::function<void()>& change = {}) {
    return waitFor(
        [&] {
            if (change) {
                change();
                std::this_thread::sleep_for(std::chrono::milliseconds(kQuietBeforeListing + 300));
            }
            for (const LibraryChange& found : watch.take())
                if (wanted(found)) return true;
            return false;
        },
        10000);
}

bool touchesCover(const LibraryChange& change, const std::string& key) {
    return std::count(change.coverKeys.begin(), change.coverKeys.end(), key) > 0;
}

}  // namespace

// Artists' folders (depth 2): a new artist is seen in the music folder and
// followed from then on; an album folder named by the frame thread tells of
// a new cover; the music folder moved away and back is told both times.
TEST(LibraryWatch, FollowsArtistsAlbumFoldersAndTheMusicFolderItself) {
    TempDir dir;
    const std::string music = dir.makeFolder("music");
    dir.makeFolder("music/Artist A/Album 1");
    LibraryWatch watch(music, 2);
    int artists = 0;
    ASSERT_TRUE(changeArrives(
        watch, [](const LibraryChange& change) { return change.listed && change.folder.empty() && change.albums.albumsAfter >= 2; },
        [&] { dir.makeFolder("music/Artist B" + std::to_string(++artists) + "/Album"); }));

    dir.makeFolder("music/Artist B1/Late Album");
    EXPECT_TRUE(changeArrives(watch, [&](const LibraryChange& change) {
        return change.listed && change.folder == "Artist B1" && !change.albums.added.empty() &&
               change.albums.added.back().folder == "Artist B1/Late Album";
    })) << "the new artist's folder is watched";

    watch.watchAlbums({{"Artist A/Album 1", ""}});
    EXPECT_TRUE(changeArrives(
        watch, [](const LibraryChange& change) { return touchesCover(change, "Artist A/Album 1") && !change.listed; },
        [&] { dir.writeFile("music/Artist A/Album 1/cover.jpg", "picture"); }));

    std::filesystem::rename(music, dir.at("moved"));
    EXPECT_TRUE(changeArrives(watch, [](const LibraryChange& change) { return change.musicFolderGone; }));
    std::filesystem::rename(dir.at("moved"), music);
    EXPECT_TRUE(changeArrives(watch, [](const LibraryChange& change) {
        return change.listed && change.folder.empty() && !change.musicFolderGone && !change.albums.added.empty();
    })) << "found again once back";
}

// No watch to be had (the system's limit, simulated) and a short interval
// between looks: an album added and one removed are told, and a cover
// rewritten in place in a followed album (which leaves its folder's time
// alone) as well.
TEST(LibraryWatch, WithoutWatchesTheFoldersAreListedAgainEveryInterval) {
    TempDir dir;
    const std::string music = dir.makeFolder("music");
    dir.makeFolder("music/Artist/Album 1");
    const std::string cover = dir.writeFile("music/Artist/Album 1/cover.jpg", "picture");
    LibraryWatch watch(music, 2, 0, 300);
    watch.watchAlbums({{"Artist/Album 1", cover}});
    // Folders this new are listed at every look (their times may yet be
    // shared by a change to come): the first listing says the thread is up.
    ASSERT_TRUE(changeArrives(watch, [](const LibraryChange& change) { return change.listed; }));
    EXPECT_TRUE(changeArrives(watch, [](const LibraryChange& change) {
        return change.albums.added.size() == 1 && change.albums.added[0].folder == "Artist/Album 2";
    }, [&] { dir.makeFolder("music/Artist/Album 2"); })) << "an album added";
    std::filesystem::remove(dir.at("music/Artist/Album 2"));
    EXPECT_TRUE(changeArrives(watch, [](const LibraryChange& change) {
        return change.albums.gone == std::vector<std::string>{"Artist/Album 2"};
    })) << "an album removed";
    int version = 0;
    EXPECT_TRUE(changeArrives(
        watch, [](const LibraryChange& change) { return touchesCover(change, "Artist/Album 1"); },
        [&] { dir.writeFile("music/Artist/Album 1/cover.jpg", "picture " + std::to_string(++version)); }))
        << "a cover rewritten in place";
}

// No watch to be had and no looks again (rescaninterval 0): nothing is told,
// and the thread still ends at once.
TEST(LibraryWatch, WithoutWatchesTellsNothingAndEndsAtOnce) {
    TempDir dir;
    const std::string music = dir.makeFolder("music");
    {
        LibraryWatch watch(music, 1, 0);
        dir.makeFolder("music/New Album");
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        EXPECT_TRUE(watch.take().empty());
    }
    EXPECT_FALSE(LibraryWatch::leftBehind());
    EXPECT_EQ(albumKeysAround("A/B/C", 2), (std::vector<std::string>{"A", "A/B"}));
    EXPECT_EQ(albumKeysAround("A", 3), (std::vector<std::string>{"A"}));
    EXPECT_TRUE(albumKeysAround("", 1).empty());
}

// An artist's folder (depth 2) replaced by another of the same name within
// one quiet half-second: the system dropped the old folder's watch, and the
// new folder must be watched in its place, so an album made in it later is
// told.
TEST(LibraryWatch, AFolderReplacedUnderItsNameIsWatchedAgain) {
    TempDir dir;
    const std::string music = dir.makeFolder("music");
    dir.makeFolder("music/Artist/Album1");
    LibraryWatch watch(music, 2);
    int markers = 0;
    ASSERT_TRUE(changeArrives(
        watch, [](const LibraryChange& change) { return change.listed && change.folder.empty(); },
        [&] { dir.makeFolder("music/Marker" + std::to_string(++markers) + "/Album"); }))
        << "the watch is up";

    dir.makeFolder("staging/Album1");
    std::filesystem::rename(dir.at("music/Artist"), dir.at("away"));
    std::filesystem::rename(dir.at("staging"), dir.at("music/Artist"));
    ASSERT_TRUE(changeArrives(watch, [](const LibraryChange& change) { return change.listed && change.folder.empty(); }))
        << "the swap is seen in the music folder";
    std::this_thread::sleep_for(std::chrono::milliseconds(kQuietBeforeListing + 300));
    watch.take();

    dir.makeFolder("music/Artist/Album2");
    EXPECT_TRUE(changeArrives(watch, [](const LibraryChange& change) {
        return change.listed && change.folder == "Artist" && change.albums.albumsAfter == 2;
    })) << "the new Artist folder is watched";
}

// The library index between the scan, the watch and the next start, on their
// own threads: a first start's scan walks and its watch writes what it saw;
// the next start's scan gives the index's albums without walking, and its
// watch lists the folders whose time moved meanwhile and tells the album
// removed and the one added, which then go into the index too.
TEST(LibraryWatch, WritesAFirstStartsIndexAndReconcilesTheNextStartsWithTheFolder) {
    TempDir dir;
    const std::string music = dir.makeFolder("music");
    for (const char* album : {"A/one", "A/two", "B/three"}) dir.makeFolder(std::string("music/") + album);
    const std::string cacheBefore = platform::environmentValue("XDG_CACHE_HOME");
    setenv("XDG_CACHE_HOME", dir.makeFolder("cache").c_str(), 1);
    std::string lastAlbum;
    const auto start = [&](uint32_t* count, bool* fromIndex) {
        LibraryScan scan(music, "player", 2, 0, true);
        EXPECT_TRUE(scan.waitFinished(10000));
        std::unique_ptr<AlbumsLoader> library(scan.take());
        *count = uint32_t(library->getAlbumsCount());
        *fromIndex = scan.fromIndex();
        lastAlbum = scan.lastAlbum();
        return std::make_pair(std::unique_ptr<LibraryIndex>(scan.takeIndex()), library->takeFoldersSeen());
    };
    uint32_t count = 0;
    bool fromIndex = true;
    {
        auto [index, seen] = start(&count, &fromIndex);
        EXPECT_FALSE(fromIndex);
        EXPECT_EQ(count, 3u);
        { LibraryWatch watch(music, 2, -1, 0, std::move(seen), {index.get(), false, 0}); }
        IndexChanges selected;
        selected.albumSelected(keyBelow("B", "three"));
        index->write(std::move(selected));
        ASSERT_TRUE(index->flush(10000));
    }
    std::filesystem::remove_all(dir.at("music/A/two"));
    dir.makeFolder("music/C/four");
    auto [index, seen] = start(&count, &fromIndex);
    EXPECT_TRUE(fromIndex) << "the library came from the index";
    EXPECT_EQ(count, 3u) << "as it was when the index was written";
    EXPECT_EQ(lastAlbum, keyBelow("B", "three")) << "the album selected last";
    LibraryWatch watch(music, 2, -1, 0, std::move(seen), {index.get(), true, 0});
    std::vector<std::string> gone, added;
    EXPECT_TRUE(waitFor(
        [&] {
            for (const LibraryChange& change : watch.take()) {
                gone.insert(gone.end(), change.albums.gone.begin(), change.albums.gone.end());
                for (const FoundAlbum& album : change.albums.added) added.push_back(album.folder);
            }
            return !gone.empty() && !added.empty();
        },
        10000));
    EXPECT_EQ(gone, std::vector<std::string>{keyBelow("A", "two")});
    EXPECT_EQ(added, std::vector<std::string>{keyBelow("C", "four")});
    ASSERT_TRUE(index->flush(10000));
    IndexedLibrary indexed;
    ASSERT_TRUE(index->read(&indexed));
    std::vector<std::string> keys;
    for (const IndexedAlbum& album : indexed.albums) keys.push_back(album.key);
    EXPECT_EQ(keys, (std::vector<std::string>{keyBelow("A", "one"), keyBelow("B", "three"), keyBelow("C", "four")}));
    if (cacheBefore.empty()) unsetenv("XDG_CACHE_HOME");
    else setenv("XDG_CACHE_HOME", cacheBefore.c_str(), 1);
}
