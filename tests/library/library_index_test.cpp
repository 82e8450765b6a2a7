// The library index end to end on real files: every field written and read
// back in the library's order, damaged, foreign and locked files as a table,
// and two users of one file at once. Runs under Wine too; the crashes, the
// full disk and the read-only cases are in library_index_crash_test.cpp.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "library/albums_loader.h"
#include "library/index_database.h"
#include "library/library_index.h"
#include "platform/platform.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

const std::string kMusic = "/music";

// A key of parts joined by the system's separator.
std::string key(std::initializer_list<const char*> parts) {
    std::string joined;
    for (const char* part : parts) joined += (joined.empty() ? "" : std::string(1, platform::kSeparator)) + part;
    return joined;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Runs `sql` on the file with a connection of its own.
void runSql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

// `count` albums "Album N" in one group, written and the index closed.
void writeAlbums(const std::string& path, int count) {
    LibraryIndex index(path, kMusic, 1);
    IndexChanges changes;
    for (int i = 0; i < count; ++i) changes.albumFound("Album " + std::to_string(i), "Album", 1000 + i, 2000);
    index.write(std::move(changes));
    ASSERT_TRUE(index.flush(10000));
}

size_t lines(const std::string& text) { return size_t(std::count(text.begin(), text.end(), '\n')); }

TEST(LibraryIndex, SortKeysOrderPathsAsTheScanDoesAndGiveThemBack) {
    std::vector<std::string> paths = {
        "b", "B", "a", "A", "ab", "a b", "a-b", "a_b", "aB", "_x", "[x", "~", "Z", "z", "\xc3\xa9", "",
        key({"a", "z"}), key({"A", "z"}), key({"a", "Y"}), key({"a b", "c"}), key({"a", "b", "c"}), key({"ab", "a"})};
    std::mt19937 random(3);
    for (int round = 0; round < 20; ++round) {
        std::shuffle(paths.begin(), paths.end(), random);
        std::vector<std::string> byRule = paths, byKey = paths;
        std::sort(byRule.begin(), byRule.end(), pathListedBefore);
        std::sort(byKey.begin(), byKey.end(),
                  [](const std::string& a, const std::string& b) { return pathSortKey(a) < pathSortKey(b); });
        ASSERT_EQ(byKey, byRule);
    }
    for (const std::string& path : paths) {
        std::string back;
        pathFromSortKey(pathSortKey(path), &back);
        EXPECT_EQ(back, path);
    }
}

TEST(LibraryIndex, RoundTripKeepsEveryFieldInTheLibrarysOrder) {
    TempDir dir;
    const std::string path = dir.at("cache/vellora/library.sqlite");  // neither folder is there yet
    testing::internal::CaptureStderr();
    {
        LibraryIndex index(path, kMusic, 2);
        EXPECT_TRUE(index.readable());
        EXPECT_TRUE(index.writing());
        IndexedLibrary nothing;
        EXPECT_FALSE(index.read(&nothing)) << "a library the index has never seen";

        IndexChanges listing;
        listing.folderListed("", 50);
        for (const char* artist : {"b", "b c", "bc", "A", "a", "\xc3\x89mile"}) listing.folderListed(artist, 60);
        listing.albumFound(key({"b", "Zed"}), "b - Zed", 101, 1);
        listing.albumFound(key({"b c", "Q"}), "b c - Q", 102, 2);
        listing.albumFound(key({"bc", "R"}), "bc - R", 103, 3);
        listing.albumFound(key({"a", "y"}), "a - y", 104, 4);
        listing.albumFound(key({"A", "y"}), "A - y", 105, 5);
        listing.albumFound(key({"A", "Y 2"}), "A - Y 2", 106, 6);
        listing.albumFound(key({"\xc3\x89mile", "x"}), "\xc3\x89mile - x", 107, 7);
        listing.albumFound(key({"A", "gone"}), "A - gone", 108, 8);
        listing.albumFound("Loose", "Loose", 111, 11);  // an album above the album level: caption = key
        index.write(std::move(listing));
        ASSERT_TRUE(index.flush(10000));

        IndexChanges later;
        later.albumFound(key({"a", "y"}), "a - y (again)", 204, 999);  // its added time stays
        later.albumFound(key({"A", "new"}), "A - new", 209);             // added now
        later.albumGone(key({"A", "gone"}));
        later.forgetBelow("b");  // not "b c" nor "bc"
        later.albumFound(key({"b", "back"}), "b - back", 210, 10);
        later.tagsRead(key({"A", "y"}), AlbumTags{1999, "Artist", "Title"}, 105);
        later.tagsRead(key({"bc", "R"}), AlbumTags{}, 103);
        later.albumSelected(key({"A", "Y 2"}));
        index.write(std::move(later));
    }  // the destructor writes what is queued
    const int64_t now = int64_t(std::time(nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    LibraryIndex again(path, kMusic, 2);
    IndexedLibrary library;
    ASSERT_TRUE(again.read(&library));
    struct Row {
        std::string key, caption;
        int64_t modified, added;
        bool tagsRead;
        int year;
        const char* artist;
    };
    const Row expected[] = {
        {key({"A", "new"}), "A - new", 209, -1, false, 0, ""},
        {key({"A", "y"}), "A - y", 105, 5, true, 1999, "Artist"},
        {key({"A", "Y 2"}), "A - Y 2", 106, 6, false, 0, ""},
        {key({"a", "y"}), "a - y (again)", 204, 4, false, 0, ""},
        {key({"b", "back"}), "b - back", 210, 10, false, 0, ""},
        {key({"b c", "Q"}), "b c - Q", 102, 2, false, 0, ""},
        {key({"bc", "R"}), "bc - R", 103, 3, true, 0, ""},
        {"Loose", "Loose", 111, 11, false, 0, ""},
        {key({"\xc3\x89mile", "x"}), "\xc3\x89mile - x", 107, 7, false, 0, ""},
    };
    ASSERT_EQ(library.albums.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const IndexedAlbum& album = library.albums[i];
        const Row& row = expected[i];
        SCOPED_TRACE(row.key);
        EXPECT_EQ(album.key, row.key);
        EXPECT_EQ(album.caption, row.caption);
        EXPECT_EQ(album.modified, row.modified);
        if (row.added >= 0) {
            EXPECT_EQ(album.added, row.added);
        } else {
            EXPECT_NEAR(double(album.added), double(now), 60.0);
        }
        EXPECT_EQ(album.tagsRead, row.tagsRead);
        EXPECT_EQ(album.tags.year, row.year);
        EXPECT_EQ(album.tags.artist, row.artist);
    }
    EXPECT_EQ(library.albums[1].tagsModified, 105);
    EXPECT_EQ(library.albums[1].tags.title, "Title");
    EXPECT_EQ(library.lastAlbum, key({"A", "Y 2"}));
    std::vector<std::string> folders;
    for (const IndexedFolder& folder : library.folders) folders.push_back(folder.key + "@" + std::to_string(folder.modified));
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(folders, (std::vector<std::string>{"@50", "A@60", "a@60", "b c@60", "bc@60", "\xc3\x89mile@60"}));

    // The same folder at another depth is another library.
    IndexedLibrary other;
    EXPECT_FALSE(LibraryIndex(path, kMusic, 1).read(&other));
    EXPECT_TRUE(other.albums.empty());
#ifndef _WIN32
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(dir.at("cache/vellora").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
#endif
}

TEST(LibraryIndex, DamagedForeignOrLockedFilesGiveAStartWithoutThemAndOneLine) {
    enum Then {
        MadeAnew,   // a new index takes what this run writes
        NextStart,  // found damaged while read: set aside, nothing written this run, a new one next time
        LeftAlone,  // not ours to change (or not now): not used, not changed
    };
    struct Case {
        const char* name;
        void (*prepare)(const std::string& path);
        const char* line;  // what its one line says; nullptr: no line
        Then then;
    };
    const Case cases[] = {
        {"random bytes",
         [](const std::string& path) {
             std::mt19937 random(7);
             std::string bytes(64 * 1024, '\0');
             for (char& byte : bytes) byte = char(random());
             writeBytes(path, bytes);
         },
         "is damaged", MadeAnew},
        {"truncated",
         [](const std::string& path) {
             writeAlbums(path, 3000);
             const std::string bytes = fileBytes(path);
             writeBytes(path, bytes.substr(0, bytes.size() / 2));
         },
         "is damaged", MadeAnew},
        {"a page of the albums overwritten",
         [](const std::string& path) {
             writeAlbums(path, 3000);
             std::string bytes = fileBytes(path);
             std::mt19937 random(11);
             for (size_t i = 19 * 4096; i < 20 * 4096; ++i) bytes.at(i) = char(random());  // a leaf of the albums
             writeBytes(path, bytes);
         },
         "is damaged", NextStart},
        {"an empty file", [](const std::string& path) { writeBytes(path, ""); }, nullptr, MadeAnew},
        {"an older schema",
         [](const std::string& path) {
             runSql(path, "PRAGMA application_id = " + std::to_string(index_database::kApplicationId) +
                              "; CREATE TABLE album (x); INSERT INTO album VALUES (1)");
         },
         "older version", MadeAnew},
        {"a newer schema",
         [](const std::string& path) {
             writeAlbums(path, 10);
             runSql(path, "PRAGMA user_version = 99");
         },
         "newer version", LeftAlone},
        {"another program's database",
         [](const std::string& path) { runSql(path, "CREATE TABLE notes (text); INSERT INTO notes VALUES ('mine')"); },
         "not a vellora library index", LeftAlone},
        {"locked by another program", [](const std::string& path) { writeAlbums(path, 5); },
         "locked by another program", LeftAlone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.at("library.sqlite");
        c.prepare(path);
        const std::string before = fileBytes(path);
        const bool locked = c.line && std::string(c.line) == "locked by another program";
        sqlite3* holder = nullptr;
        if (locked) {  // a lock kept for good, as another program in exclusive mode keeps it
            ASSERT_EQ(sqlite3_open(path.c_str(), &holder), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(holder, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; DELETE FROM folder",
                                   nullptr, nullptr, nullptr),
                      SQLITE_OK);
        }
        testing::internal::CaptureStderr();
        {
            LibraryIndex index(path, kMusic, 1);
            IndexedLibrary library;
            EXPECT_FALSE(index.read(&library));
            EXPECT_TRUE(library.albums.empty());
            IndexChanges changes;
            changes.albumFound("Written", "Written", 1);
            index.write(std::move(changes));
            EXPECT_TRUE(index.flush(10000));
            EXPECT_EQ(index.writing(), c.then == MadeAnew);
        }
        const std::string said = testing::internal::GetCapturedStderr();
        if (locked) {
            sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(holder);
        }
        EXPECT_EQ(lines(said), c.line ? 1u : 0u) << said;
        if (c.line) {
            EXPECT_NE(said.find(c.line), std::string::npos) << said;
        }
        const bool damaged = c.line && std::string(c.line) == "is damaged";
        EXPECT_EQ(platform::isFile(path + ".damaged"), damaged);
        if (damaged) {
            EXPECT_TRUE(fileBytes(path + ".damaged") == before) << "the damaged file was not kept as it was";
        }

        // The next start.
        IndexedLibrary after;
        if (c.then == LeftAlone) {  // a locked file is read once it is free
            EXPECT_EQ(LibraryIndex(path, kMusic, 1).read(&after), locked);
            EXPECT_EQ(after.albums.size(), locked ? 5u : 0u);
            EXPECT_TRUE(fileBytes(path) == before) << "a file not ours to change was changed";
            continue;
        }
        {
            LibraryIndex index(path, kMusic, 1);
            EXPECT_EQ(index.read(&after), c.then == MadeAnew);
            IndexChanges changes;
            changes.albumFound("Again", "Again", 1);
            index.write(std::move(changes));
        }
        EXPECT_TRUE(LibraryIndex(path, kMusic, 1).read(&after));
        std::vector<std::string> keys;
        for (const IndexedAlbum& album : after.albums) keys.push_back(album.key);
        const std::vector<std::string> expected =
            c.then == MadeAnew ? std::vector<std::string>{"Again", "Written"} : std::vector<std::string>{"Again"};
        EXPECT_EQ(keys, expected);
    }
}

TEST(LibraryIndex, TwoUsersOfOneFileAtOnceBothWrite) {
    TempDir dir;
    const std::string path = dir.at("library.sqlite");
    testing::internal::CaptureStderr();
    {
        LibraryIndex first(path, kMusic, 1), second(path, kMusic, 1), otherLibrary(path, "/other", 1);
        const auto writeMany = [](LibraryIndex* index, const std::string& prefix) {
            for (int group = 0; group < 20; ++group) {
                IndexChanges changes;
                for (int i = 0; i < 50; ++i)
                    changes.albumFound(prefix + " " + std::to_string(group * 50 + i), prefix, group);
                index->write(std::move(changes));
                if (group % 5 == 0) index->flush(10000);
            }
        };
        std::thread a(writeMany, &first, "First"), b(writeMany, &second, "Second"), c(writeMany, &otherLibrary, "Other");
        a.join();
        b.join();
        c.join();
        IndexedLibrary meanwhile;  // read while they write
        EXPECT_TRUE(first.read(&meanwhile));
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    IndexedLibrary library, other;
    ASSERT_TRUE(LibraryIndex(path, kMusic, 1).read(&library));
    ASSERT_TRUE(LibraryIndex(path, "/other", 1).read(&other));
    EXPECT_EQ(library.albums.size(), 2000u);
    EXPECT_EQ(other.albums.size(), 1000u);
}

}  // namespace
