// The library's one walk on real folders, a few at once, and what its memory
// of folder times saves.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "library/folder_rules.h"
#include "library/library_walk.h"
#include "platform/platform.h"
#include "support/temp_dir.h"

namespace {

std::vector<std::string> albumKeys(const FolderMemory& memory, int depth, const std::string& relative = "") {
    std::vector<std::string> keys;
    albumsKnown(memory, depth, relative, [&](std::string_view, std::string_view key) { keys.emplace_back(key); });
    return keys;
}

// Sets the folder's time to one a year back: old enough to be kept by the
// walk, and the same every time it is set during the run. The standard
// library's last_write_time cannot open a folder on Windows; the systems' own
// calls can.
void ageFolder(const TempDir& dir, const std::string& relative) {
    const std::string path = dir.at(relative);
#ifdef _WIN32
    static const FILETIME aYearBack = [] {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
        time.QuadPart -= 365ull * 24 * 3600 * 10000000;  // 100 ns ticks
        return FILETIME{time.LowPart, time.HighPart};
    }();
    const HANDLE folder = CreateFileW(std::filesystem::path(path).wstring().c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(folder, INVALID_HANDLE_VALUE) << relative;
    const bool set = SetFileTime(folder, nullptr, nullptr, &aYearBack);
    CloseHandle(folder);
    ASSERT_TRUE(set) << relative;
#else
    static const time_t aYearBack = time(nullptr) - 365 * 24 * 3600;
    const struct timespec times[2] = {{aYearBack, 0}, {aYearBack, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << relative;
#endif
}

std::string k(std::string path) {
    std::replace(path.begin(), path.end(), '/', platform::kSeparator);
    return path;
}

}  // namespace

// Artists of albums (depth 2), walked eight at a time: the same albums as one
// at a time. With the folders' times kept, a folder whose time stays is not
// read again (a change hidden behind a restored time stays unseen), while
// the folders below an unchanged one are still looked at; a folder gone is
// forgotten with everything below it.
TEST(LibraryWalk, AFolderWhoseTimeStaysIsNotReadAgainButTheOnesBelowItAre) {
    TempDir dir;
    dir.makeFolder("music");
    std::vector<std::string> expected;
    for (int a = 0; a < 60; ++a)
        for (int b = 0; b < 3; ++b) {
            const std::string key = "Artist " + std::to_string(100 + a) + "/Album " + std::to_string(b);
            dir.makeFolder("music/" + key);
            expected.push_back(k(key));
        }
    dir.makeFolder("music/Loose/CD1");  // an album of discs at the top
    expected.push_back("Loose");
    dir.makeFolder("music/.hidden/Album");
    for (int a = 0; a < 60; ++a) ageFolder(dir, "music/Artist " + std::to_string(100 + a));
    ageFolder(dir, "music");
    const std::string music = dir.at("music");

    FolderMemory oneAtATime, memory;
    EXPECT_TRUE(walkFolders(music, 2, "", oneAtATime, 1));
    EXPECT_TRUE(walkFolders(music, 2, "", memory, 8));
    EXPECT_EQ(albumKeys(memory, 2), expected);
    EXPECT_EQ(albumKeys(oneAtATime, 2), expected);
    EXPECT_EQ(foldersAboveKnown(memory, 2, "").size(), 61u) << "the music folder and the artists; Loose is an album";
    EXPECT_NE(memory[k("Artist 100")].modified, 0) << "set a year back: its time is kept";
    EXPECT_EQ(memory["Loose"].modified, 0) << "just made: its time may yet be shared by a change to come";
    EXPECT_EQ(albumKeys(memory, 2, k("Artist 101")), (std::vector<std::string>{k("Artist 101/Album 0"), k("Artist 101/Album 1"), k("Artist 101/Album 2")}));

    // A change behind a time put back: not seen, since the folder is not read.
    dir.makeFolder("music/Artist 100/Album 9");
    ageFolder(dir, "music/Artist 100");
    // A change under an unchanged music folder: seen, since the artist is looked at.
    dir.makeFolder("music/Artist 101/Album 9");
    EXPECT_TRUE(walkFolders(music, 2, "", memory, 8));
    std::vector<std::string> keys = albumKeys(memory, 2);
    EXPECT_EQ(std::count(keys.begin(), keys.end(), k("Artist 100/Album 9")), 0) << "a folder whose time stayed is not read";
    EXPECT_EQ(std::count(keys.begin(), keys.end(), k("Artist 101/Album 9")), 1) << "nor are the folders below it skipped";
    FolderMemory fresh;
    walkFolders(music, 2, "", fresh, 8);
    keys = albumKeys(fresh, 2);
    EXPECT_EQ(std::count(keys.begin(), keys.end(), k("Artist 100/Album 9")), 1) << "a walk without memory reads it";

    // An artist gone, walked from its own folder: forgotten, and by the music folder too.
    std::filesystem::remove_all(dir.at("music/Artist 102"));
    EXPECT_FALSE(walkFolders(music, 2, k("Artist 102"), memory, 8));
    EXPECT_EQ(memory.count(k("Artist 102")), 0u);
    EXPECT_TRUE(albumKeys(memory, 2, k("Artist 102")).empty());
    keys = albumKeys(memory, 2);
    EXPECT_EQ(std::count_if(keys.begin(), keys.end(), [](const std::string& key) { return key.rfind(k("Artist 102/"), 0) == 0; }), 0);
    EXPECT_FALSE(walkFolders(music, 2, k("Artist 101/Album 0"), memory)) << "an album's own folder is not walked";
}
