// The album library's records and accessors.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <type_traits>

#include "library/albums_loader.h"
#include "platform/platform.h"
#include "support/temp_dir.h"

namespace {

using platform::kSeparator;

class ThreeAlbums : public ::testing::Test {
protected:
    ThreeAlbums() {
        music = dir.makeFolder("music");
        dir.makeFolder("music/Alpha");
        dir.makeFolder("music/Beta Band");
        dir.makeFolder("music/Gamma");
        dir.writeFile("music/Alpha/cover.png", "");
        dir.writeFile("music/Gamma/front.JPG", "");
    }
    TempDir dir;
    std::string music;
};

}  // namespace

TEST_F(ThreeAlbums, RecordsHoldNameAndFolderAndNoCoverYet) {
    AlbumsLoader albums(music, "/usr/bin/player");
    ASSERT_EQ(albums.getAlbumsCount(), 3);
    EXPECT_STREQ(albums.getAlbumName(1), "Beta Band");
    EXPECT_EQ(albums.getAlbumNameLength(1), 9);
    EXPECT_EQ(albums.getAlbumFolder(1), music + kSeparator + "Beta Band");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(albums.getAlbumCover(i), "");
        EXPECT_FALSE(albums.getAlbumLoaded(i));
    }
}

TEST_F(ThreeAlbums, NamePointersStayValidWhileTheLibraryLives) {
    AlbumsLoader albums(music, "player");
    const char* name = albums.getAlbumName(2);
    for (int i = 0; i < 3; ++i) {
        albums.initAlbumCover(i);
        albums.setAlbumLoaded(i, true);
        albums.getAlbumFolder(i);
    }
    EXPECT_EQ(name, albums.getAlbumName(2));
    EXPECT_STREQ(name, "Gamma");
}

TEST_F(ThreeAlbums, CoverAnswersAreKeptPerAlbum) {
    AlbumsLoader albums(music, "player");
    EXPECT_TRUE(albums.albumHasCover(0));
    EXPECT_FALSE(albums.albumHasCover(1));
    EXPECT_EQ(albums.getAlbumCover(0), music + kSeparator + "Alpha" + kSeparator + "cover.png");
    EXPECT_EQ(albums.getAlbumCover(1), "");
    EXPECT_EQ(albums.getAlbumCover(2), "") << "album 2 was never asked about";
    albums.initAlbumCover(2);
    EXPECT_EQ(albums.getAlbumCover(2), music + kSeparator + "Gamma" + kSeparator + "front.JPG");
    EXPECT_TRUE(albums.albumHasCover(2));
}

TEST_F(ThreeAlbums, LoadedFlagIsSetPerAlbum) {
    AlbumsLoader albums(music, "player");
    albums.setAlbumLoaded(1, true);
    EXPECT_FALSE(albums.getAlbumLoaded(0));
    EXPECT_TRUE(albums.getAlbumLoaded(1));
    EXPECT_FALSE(albums.getAlbumLoaded(2));
    albums.setAlbumLoaded(1, false);
    EXPECT_FALSE(albums.getAlbumLoaded(1));
}

TEST_F(ThreeAlbums, LibraryIsFixedAtConstruction) {
    AlbumsLoader albums(music, "player");
    dir.makeFolder("music/Delta");
    std::filesystem::remove_all(dir.at("music/Alpha"));
    EXPECT_EQ(albums.getAlbumsCount(), 3);
    EXPECT_STREQ(albums.getAlbumName(0), "Alpha");
    EXPECT_EQ(AlbumsLoader(music, "player").getAlbumsCount(), 3);  // a new scan sees the change
}

TEST_F(ThreeAlbums, IsDeletedThroughItsVirtualDestructor) {
    EXPECT_TRUE(std::has_virtual_destructor_v<AlbumsLoader>);
    std::unique_ptr<AlbumsLoader> albums(new AlbumsLoader(music, "player"));
    EXPECT_EQ(albums->getAlbumsCount(), 3);
    albums.reset();  // the sanitizer build checks that everything is released
}
