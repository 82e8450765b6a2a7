// The library index where the system is against it: a writer killed with
// SIGKILL while another process writes on, a full disk, and files and folders
// the user may not write or read. Real child processes; Linux only.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include "library/library_index.h"
#include "platform/platform.h"
#include "support/child.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

size_t lines(const std::string& text) { return size_t(std::count(text.begin(), text.end(), '\n')); }

// How many albums of each group "PREFIX G N" the library "/music" holds, by prefix and group.
std::map<std::string, std::map<int, int>> groupsIn(const IndexedLibrary& library) {
    std::map<std::string, std::map<int, int>> groups;
    for (const IndexedAlbum& album : library.albums) {
        std::istringstream words(album.key);
        std::string prefix;
        int group = -1;
        words >> prefix >> group;
        ++groups[prefix][group];
    }
    return groups;
}

TEST(LibraryIndexCrash, KilledWhileWritingLosesAtMostTheLastBatchAndAnotherWriterGoesOn) {
    TempDir dir;
    const std::string path = dir.at("library.sqlite");
    ChildProcess killed({VELLORA_INDEX_WRITER_CHILD, path, "Killed", "0", "500"}, dir.path());
    ChildProcess other({VELLORA_INDEX_WRITER_CHILD, path, "Other", "60", "500"}, dir.path());
    ASSERT_TRUE(waitFor([&] { return lines(killed.out()) >= 20; }, 60000)) << killed.err();
    killed.kill();  // SIGKILL, in the middle of some batch
    const size_t written = lines(killed.out());
    int status = -1;
    ASSERT_TRUE(other.wait(120000, &status));
    EXPECT_EQ(status, 0) << other.err();
    EXPECT_EQ(other.err(), "");
    EXPECT_EQ(killed.err(), "");

    testing::internal::CaptureStderr();
    LibraryIndex index(dir.at("library.sqlite"), "/music", 1);
    IndexedLibrary library;
    ASSERT_TRUE(index.read(&library));
    EXPECT_TRUE(index.writing());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const auto groups = groupsIn(library);
    ASSERT_EQ(groups.count("Other"), 1u);
    EXPECT_EQ(groups.at("Other").size(), 60u);
    ASSERT_EQ(groups.count("Killed"), 1u);
    const std::map<int, int>& kept = groups.at("Killed");
    // Every group it said was written is there, and no group is there in part.
    EXPECT_GE(kept.size(), written);
    EXPECT_LE(kept.size(), written + 1);
    for (const auto& [group, albums] : kept) {
        EXPECT_LT(group, int(kept.size())) << "a hole before group " << group;
        EXPECT_EQ(albums, 500) << "group " << group;
    }
}

TEST(LibraryIndexCrash, AFullDiskEndsWritingAfterOneLineAndKeepsWhatWasWritten) {
    TempDir dir;
    const std::string path = dir.at("library.sqlite");
    // Files may grow to 256 KiB; past that a write fails with EFBIG, as on a full disk.
    ProcessResult full = runProcess({"sh", "-c", "trap '' XFSZ; ulimit -f 512; exec \"$0\" \"$@\"",
                                     VELLORA_INDEX_WRITER_CHILD, path, "Full", "40", "200"},
                                    dir.path(), {}, 120000);
    EXPECT_EQ(full.status, 4) << full.err;
    EXPECT_EQ(lines(full.err), 1u) << full.err;
    EXPECT_NE(full.err.find("not writing the library index"), std::string::npos) << full.err;
    EXPECT_EQ(lines(full.out), 40u) << "every group is answered, written or not";

    testing::internal::CaptureStderr();
    IndexedLibrary library;
    ASSERT_TRUE(LibraryIndex(path, "/music", 1).read(&library));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const auto groups = groupsIn(library);
    ASSERT_EQ(groups.count("Full"), 1u);
    EXPECT_GT(groups.at("Full").size(), 0u);
    EXPECT_LT(groups.at("Full").size(), 40u);
    for (const auto& [group, albums] : groups.at("Full")) EXPECT_EQ(albums, 200) << "group " << group;
}

TEST(LibraryIndexCrash, FilesAndFoldersTheUserMayNotWriteOrReadAreUsedAsFarAsTheyCanBe) {
    struct Case {
        const char* name;
        bool indexThere;
        mode_t folderMode, fileMode;
        bool readable;       // its albums are read
        const char* line;    // what its one line says
    };
    const Case cases[] = {
        {"a read-only cache folder", false, 0555, 0, false, "not keeping a library index"},
        {"a read-only cache folder holding an index", true, 0555, 0644, true, "read-only"},
        {"a read-only index", true, 0755, 0444, true, "read-only"},
        {"an unreadable index", true, 0755, 0, false, "cannot use the library index"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
        const std::string folder = dir.makeFolder("cache");
        const std::string path = dir.at("cache/library.sqlite");
        if (c.indexThere) {
            LibraryIndex index(path, "/music", 1);
            IndexChanges changes;
            changes.albumFound("Album", "Album", 1);
            index.write(std::move(changes));
        }
        const std::string said = dir.writeFile("said", "");
        ASSERT_EQ(chmod(said.c_str(), 0666), 0);
        // The files belong to the user the check runs as, so only their modes say no.
        if (geteuid() == 0) {
            ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
            ASSERT_TRUE(!c.indexThere || chown(path.c_str(), 65534, 65534) == 0);
        }
        ASSERT_TRUE(!c.indexThere || chmod(path.c_str(), c.fileMode) == 0);
        ASSERT_EQ(chmod(folder.c_str(), c.folderMode), 0);
        const std::string before = readWholeFile(path);

        const int status = exitStatusAsNobody([&] {
            const int err = open(said.c_str(), O_WRONLY | O_TRUNC);
            if (err < 0 || dup2(err, 2) < 0) return 10;
            LibraryIndex index(path, "/music", 1);
            IndexedLibrary library;
            if (index.read(&library) != c.readable || library.albums.size() != (c.readable ? 1u : 0u)) return 1;
            if (index.writing()) return 2;
            IndexChanges changes;
            changes.albumFound("Second", "Second", 1);
            index.write(std::move(changes));
            return index.flush(5000) ? 0 : 3;
        });
        EXPECT_EQ(status, 0) << "1: read, 2: writing, 3: flush, 10: stderr";
        const std::string line = readWholeFile(said);
        EXPECT_EQ(lines(line), 1u) << line;
        EXPECT_NE(line.find(c.line), std::string::npos) << line;
        chmod(folder.c_str(), 0755);
        chmod(path.c_str(), 0644);
        EXPECT_EQ(readWholeFile(path), before) << "changed";
        EXPECT_FALSE(platform::isFile(path + ".damaged"));
    }
}

}  // namespace
