// The music folder scan: which entries become albums, in which order, with
// which folder and name.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "library/albums_loader.h"
#include "support/album_captions.h"
#include "support/temp_dir.h"

TEST(MusicScan, FoldersWithoutAlbumsGiveAnEmptyLibrary) {
    TempDir dir;
    EXPECT_EQ(AlbumsLoader(dir.at("missing"), "player").getAlbumsCount(), 0);
    EXPECT_EQ(AlbumsLoader(dir.writeFile("a file", "x"), "player").getAlbumsCount(), 0);
    EXPECT_EQ(AlbumsLoader(dir.makeFolder("empty"), "player").getAlbumsCount(), 0);

    std::string onlyFiles = dir.makeFolder("only files");
    dir.writeFile("only files/song.mp3", "");
    dir.writeFile("only files/cover.jpg", "");
    dir.makeFolder("only files/.hidden");
    dir.makeFolder("only files/.config/nested");
    ASSERT_EQ(symlink("nowhere", (onlyFiles + "/dangling").c_str()), 0);
    ASSERT_EQ(symlink("song.mp3", (onlyFiles + "/link to file").c_str()), 0);
    EXPECT_EQ(AlbumsLoader(onlyFiles, "player").getAlbumsCount(), 0);
}

TEST(MusicScan, EverySubFolderNotBeginningWithADotIsAnAlbumInListingOrder) {
    TempDir dir;
    std::string music = dir.makeFolder("music");
    for (const char* name : {"b", "A", "a", "B", "_x", "Zed", "no dot", "with.dot", ".hidden", "..also hidden"})
        dir.makeFolder(std::string("music/") + name);
    dir.makeFolder("music/b/Disc 2");  // never an album of its own
    dir.writeFile("music/a/song.mp3", "");
    dir.writeFile("music/plain file", "");
    dir.writeFile("music/file.jpg", "");
    AlbumsLoader albums(music, "player");
    EXPECT_EQ(captions(albums),
              (std::vector<std::string>{"A", "a", "B", "b", "no dot", "with.dot", "Zed", "_x"}));
    ASSERT_EQ(albums.getAlbumsCount(), 8);
    EXPECT_EQ(albums.getAlbumFolder(0), music + "/A");
    EXPECT_EQ(albums.getAlbumFolder(4), music + "/no dot");
}

TEST(MusicScan, SymlinkedAlbumIsAnAlbumAndDanglingLinkIsNot) {
    TempDir dir;
    std::string music = dir.makeFolder("music");
    dir.makeFolder("elsewhere/Real Album");
    ASSERT_EQ(symlink(dir.at("elsewhere/Real Album").c_str(), (music + "/Linked Album").c_str()), 0);
    ASSERT_EQ(symlink(dir.at("gone").c_str(), (music + "/Dangling Album").c_str()), 0);
    AlbumsLoader albums(music, "player");
    ASSERT_EQ(albums.getAlbumsCount(), 1);
    EXPECT_STREQ(albums.getAlbumName(0), "Linked Album");
    EXPECT_EQ(albums.getAlbumFolder(0), music + "/Linked Album");
}

TEST(MusicScan, NamesAreStoredByteForByte) {
    TempDir dir;
    std::string music = dir.makeFolder("music");
    const std::vector<std::string> names = {
        "$HOME and $(ls)", "-leading dash", std::string(255, 'L'), "new\nline", "not utf-8 \xff\xfe\x80",
        "quotes \"double\" 'single'", "with  two  spaces "};
    for (const auto& name : names) dir.makeFolder("music/" + name);
    AlbumsLoader albums(music, "player");
    ASSERT_EQ(albums.getAlbumsCount(), static_cast<int>(names.size()));
    for (int i = 0; i < albums.getAlbumsCount(); ++i) {
        // The names above are already in listing order.
        EXPECT_EQ(std::string(albums.getAlbumName(i)), names[i]);
        EXPECT_EQ(albums.getAlbumNameLength(i), static_cast<int>(names[i].size()));
        EXPECT_EQ(albums.getAlbumFolder(i), music + "/" + names[i]);
    }
}

TEST(MusicScan, EmptyMusicPathScansTheRootFolder) {
    AlbumsLoader albums("", "player");
    std::vector<std::string> names = captions(albums);
    int tmp = -1;
    for (int i = 0; i < albums.getAlbumsCount(); ++i)
        if (names[i] == "tmp") tmp = i;
    ASSERT_GE(tmp, 0) << "the root folder's tmp should be an album";
    EXPECT_EQ(albums.getAlbumFolder(tmp), "/tmp");
}

// Artist/Album trees: hidden folders at every level, empty artists, albums
// lying directly at the top, folders that hold neither music nor pictures.
TEST(MusicScan, DeeperScanFindsAlbumsAtTheirDepthInPathOrder) {
    TempDir dir;
    std::string music = dir.makeFolder("music");
    dir.makeFolder("music/Beta/Second");
    dir.makeFolder("music/Beta/first");
    dir.makeFolder("music/Beta/.hidden album");
    dir.makeFolder("music/Beta/first/CD1");  // a disc: below the album level, and never an album of its own
    dir.makeFolder("music/Two Discs/CD 1");   // at the top: an album of two discs
    dir.makeFolder("music/Two Discs/CD 2");
    dir.makeFolder("music/alpha/One");
    dir.writeFile("music/alpha/notes.txt", "");  // not music: alpha is still an artist
    dir.makeFolder("music/Empty Artist");
    dir.makeFolder("music/Loose Album/Scans");  // holds music: an album at the top
    dir.writeFile("music/Loose Album/01 song.FLAC", "");
    dir.makeFolder("music/Picture Only/sub");
    dir.writeFile("music/Picture Only/folder.jpg", "");
    dir.makeFolder("music/.hidden artist/Album");
    dir.makeFolder("music/Hidden Music/Real");
    dir.writeFile("music/Hidden Music/.01.mp3", "");  // a hidden file does not count
    dir.writeFile("music/top.mp3", "");  // files in the music folder itself are never albums

    struct Case {
        int depth;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {1, {"alpha", "Beta", "Empty Artist", "Hidden Music", "Loose Album", "Picture Only", "Two Discs"}},
        {0, {"alpha", "Beta", "Empty Artist", "Hidden Music", "Loose Album", "Picture Only", "Two Discs"}},  // kept at 1
        {2, {"alpha - One", "Beta - first", "Beta - Second", "Hidden Music - Real", "Loose Album", "Picture Only",
             "Two Discs"}},
        {3, {"Beta - first", "Loose Album", "Picture Only", "Two Discs"}},
        {9, {"Beta - first", "Loose Album", "Picture Only", "Two Discs"}},  // kept at 3
    };
    for (const Case& c : cases) {
        AlbumsLoader albums(music, "player", c.depth);
        std::vector<std::string> names;
        for (int i = 0; i < albums.getAlbumsCount(); ++i) {
            names.push_back(albums.getAlbumName(i));
            EXPECT_EQ(albums.getAlbumNameLength(i), int(names.back().size()));
        }
        EXPECT_EQ(names, c.names) << "depth " << c.depth;
    }

    // The player and the cover lookup get the album folder, not the caption.
    AlbumsLoader albums(music, "player", 2);
    EXPECT_EQ(albums.getAlbumFolder(0), music + "/alpha/One");
    EXPECT_EQ(albums.getAlbumFolder(4), music + "/Loose Album");
    EXPECT_EQ(albums.playerCall(2, "").commandLine, "\"player\" \"" + music + "/Beta/Second\"");
    EXPECT_TRUE(albums.albumHasCover(5));
    EXPECT_EQ(albums.getAlbumCover(5), music + "/Picture Only/folder.jpg");
}

// Many albums: every name, length and folder survives the growth of the
// library's name storage, and the name pointers stay put while paths are built.
TEST(MusicScan, ManyAlbumsKeepTheirNamesAndFolders) {
    TempDir dir;
    std::string music = dir.makeFolder("music");
    std::vector<std::string> expected;
    char name[64];
    for (int i = 0; i < 2000; ++i) {
        std::snprintf(name, sizeof name, "Artist of Some Length - Album %04d", i);
        dir.makeFolder(std::string("music/") + name);
        expected.push_back(name);
    }
    AlbumsLoader albums(music, "player");
    ASSERT_EQ(albums.getAlbumsCount(), 2000);
    std::vector<const char*> pointers;
    for (int i = 0; i < 2000; ++i) pointers.push_back(albums.getAlbumName(i));
    for (int i = 0; i < 2000; ++i) {
        EXPECT_EQ(albums.getAlbumFolder(i), music + "/" + expected[i]);
        albums.initAlbumCover(i);
        EXPECT_EQ(albums.getAlbumName(i), pointers[i]);
        EXPECT_EQ(std::string(pointers[i]), expected[i]);
        EXPECT_EQ(albums.getAlbumNameLength(i), int(expected[i].size()));
    }
}
