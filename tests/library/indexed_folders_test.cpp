// The walk's memory through the library index and back, on real folders:
// what a start reads must be what the walk saw, or the reconciling walk that
// follows would take albums for new or gone that never changed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "library/folder_rules.h"
#include "library/indexed_folders.h"
#include "library/library_index.h"
#include "library/library_walk.h"
#include "platform/platform.h"
#include "support/temp_dir.h"

namespace {

std::vector<std::string> albumKeys(const FolderMemory& memory, int depth) {
    std::vector<std::string> keys;
    albumsKnown(memory, depth, "", [&](std::string_view, std::string_view key) { keys.emplace_back(key); });
    return keys;
}

// The memory as text, one folder a line, so a difference shows where it is.
std::string shown(const FolderMemory& memory) {
    std::ostringstream text;
    for (const auto& [key, seen] : memory) {
        std::string folders = seen.folders;
        for (char& c : folders) c = c == '\0' ? '|' : c;
        text << '[' << key << "] " << seen.modified << (seen.album ? " album " : " ") << folders << '\n';
    }
    return text.str();
}

void writeAll(LibraryIndex& index, std::vector<IndexChanges> groups) {
    for (IndexChanges& group : groups) index.write(std::move(group));
    ASSERT_TRUE(index.flush(10000));
}

std::string key(const char* a, const char* b = nullptr) { return b ? keyBelow(a, b) : std::string(a); }

}  // namespace

// Depth 2 with every shape a library takes: artists with albums in an order
// a byte sort gets wrong, an album lying at the top (its own songs) and one
// of disc folders, an empty artist. The index gives back the walk's memory
// exactly; an album removed, one added, an artist gone and one come while the
// browser was not running are the change the walk from that memory finds,
// and written back they give the new walk's memory. Rows no walk could have
// made are passed over; another depth is another library.
TEST(IndexedFolders, TheIndexGivesBackTheWalksMemoryAndFollowsItsChanges) {
    TempDir dir;
    const std::string music = dir.makeFolder("music");
    for (const char* folder : {"b artist/one", "b artist/Two", "A artist/x", "Top album", "c/CD1", "empty artist"})
        dir.makeFolder(std::string("music/") + folder);
    std::ofstream(dir.at("music/Top album/song.mp3")) << "not really";
    const std::string path = dir.at("cache/library.sqlite");
    dir.makeFolder("cache");

    FolderMemory walked;
    ASSERT_TRUE(walkFolders(music, 2, "", walked));
    const std::vector<std::string> albums = {key("A artist", "x"), key("b artist", "one"), key("b artist", "Two"),
                                             key("c"), key("Top album")};
    ASSERT_EQ(albumKeys(walked, 2), albums);
    FolderMemory fromIndex;
    {
        LibraryIndex index(path, music, 2);
        FolderMemory none;
        EXPECT_FALSE(readIndexedFolders(index, 2, &none)) << "a first start";
        writeAll(index, changesOfMemory(walked, 2));
        ASSERT_TRUE(readIndexedFolders(index, 2, &fromIndex));
    }
    EXPECT_EQ(shown(fromIndex), shown(walked));

    std::filesystem::remove_all(dir.at("music/b artist/one"));
    std::filesystem::remove_all(dir.at("music/empty artist"));
    dir.makeFolder("music/b artist/Three");
    dir.makeFolder("music/new artist/a");
    const std::vector<std::string> before = foldersAboveKnown(fromIndex, 2, "");
    const AlbumChange change = walkAgain(music, 2, "", fromIndex);
    EXPECT_EQ(change.gone, std::vector<std::string>{key("b artist", "one")});
    ASSERT_EQ(change.added.size(), 2u);
    EXPECT_EQ(change.added[0].folder, key("b artist", "Three"));
    EXPECT_EQ(change.added[1].folder, key("new artist", "a"));
    FolderMemory walkedAgain, readAgain;
    ASSERT_TRUE(walkFolders(music, 2, "", walkedAgain));
    {
        LibraryIndex index(path, music, 2);
        writeAll(index, {changesOfListing(fromIndex, 2, "", change, before)});
        ASSERT_TRUE(readIndexedFolders(index, 2, &readAgain));
        EXPECT_EQ(shown(readAgain), shown(walkedAgain));

        IndexChanges strange;
        for (std::string bad : {"..", "../a", ".hidden/a", "a//b", "/abs", "deep/er/still"}) {
            for (char& c : bad) c = c == '/' ? platform::kSeparator : c;
            strange.albumFound(bad, "x", 0);
        }
        writeAll(index, {strange});
        FolderMemory withStrangeRows;
        ASSERT_TRUE(readIndexedFolders(index, 2, &withStrangeRows));
        EXPECT_EQ(shown(withStrangeRows), shown(walkedAgain)) << "rows no walk could have made are passed over";
    }
    LibraryIndex otherDepth(path, music, 1);
    FolderMemory none;
    EXPECT_FALSE(readIndexedFolders(otherDepth, 1, &none));
    EXPECT_TRUE(none.empty());
}
