// The quick look for one album before the window opens: it must say exactly
// what the full scan would, at every depth, or the empty-folder message would
// come too late (after the window) or wrongly.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "library/album_probe.h"
#include "library/albums_loader.h"
#include "support/temp_dir.h"

namespace {

struct Layout {
    const char* what;
    std::vector<std::string> folders;  // below the music folder
    std::vector<std::string> files;
    bool atDepth[3];                   // an album at depth 1, 2, 3
};

TEST(AlbumProbe, SaysWhatTheFullScanWouldAtEveryDepth) {
    const Layout layouts[] = {
        {"no folder at all", {}, {"song.mp3", "cover.jpg"}, {false, false, false}},
        {"only hidden folders", {".git", ".cache/Album"}, {}, {false, false, false}},
        {"one album folder", {"Album"}, {}, {true, false, false}},
        {"an artist with an album", {"Artist/Album"}, {}, {true, true, false}},
        {"an artist with a hidden folder", {"Artist/.hidden"}, {}, {true, false, false}},
        {"an album lying at the top", {"Album"}, {"Album/01 Song.flac"}, {true, true, true}},
        {"an album lying at the top with its cover", {"Album"}, {"Album/front.PNG"}, {true, true, true}},
        {"a top folder with other files only", {"Notes"}, {"Notes/readme.txt"}, {true, false, false}},
        {"three levels", {"Genre/Artist/Album"}, {}, {true, true, true}},
        {"three levels, the album deep in the tree",
         {"A/Empty", "B/Empty", "C/Artist/Album"}, {"B/Empty/notes.txt"}, {true, true, true}},
        {"music two levels down", {"Genre/Artist"}, {"Genre/Artist/01.ogg"}, {true, true, true}},
        {"empty artist folders", {"Artist 1", "Artist 2", "Artist 3"}, {}, {true, false, false}},
    };
    for (const Layout& layout : layouts) {
        TempDir dir;
        const std::string music = dir.makeFolder("music");
        for (const std::string& folder : layout.folders) dir.makeFolder("music/" + folder);
        for (const std::string& file : layout.files) dir.writeFile("music/" + file, "");
        for (int depth = 1; depth <= 3; ++depth) {
            const bool scanned = AlbumsLoader(music, "", depth).getAlbumsCount() > 0;
            EXPECT_EQ(scanned, layout.atDepth[depth - 1]) << layout.what << ", depth " << depth << " (the scan)";
            EXPECT_EQ(holdsAnAlbum(music, depth), scanned) << layout.what << ", depth " << depth;
        }
    }
}

TEST(AlbumProbe, MissingFilesAndUnusualFolders) {
    TempDir dir;
    EXPECT_FALSE(holdsAnAlbum(dir.at("missing"), 1));
    EXPECT_FALSE(holdsAnAlbum(dir.writeFile("file", "x"), 1));
    dir.makeFolder("music/Artist/Album");
    EXPECT_TRUE(holdsAnAlbum(dir.at("music"), 0)) << "depth kept within 1..3 as the library keeps it";
    EXPECT_FALSE(holdsAnAlbum(dir.at("music"), 9));
    // A link to a folder counts as a folder, as in the scan.
    dir.makeFolder("linked/Target");
    ASSERT_EQ(symlink(dir.at("linked/Target").c_str(), dir.at("linked/Link").c_str()), 0);
    ASSERT_EQ(rmdir(dir.at("linked/Target").c_str()), 0);
    EXPECT_FALSE(holdsAnAlbum(dir.at("linked"), 1)) << "a dangling link is no album";
    dir.makeFolder("elsewhere");
    ASSERT_EQ(unlink(dir.at("linked/Link").c_str()), 0);
    ASSERT_EQ(symlink(dir.at("elsewhere").c_str(), dir.at("linked/Link").c_str()), 0);
    EXPECT_TRUE(holdsAnAlbum(dir.at("linked"), 1));
    EXPECT_EQ(AlbumsLoader(dir.at("linked"), "", 1).getAlbumsCount(), 1);
}

}  // namespace
