// Cover discovery: the picture rule, the lazy lookup that runs once, and an
// album folder that has gone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "library/albums_loader.h"
#include "support/temp_dir.h"

namespace {

// The cover path found in a music folder holding one album, "Album", whose
// files (and folders, named with a trailing '/') are `entries`.
std::string coverAmong(std::initializer_list<std::string> entries) {
    TempDir dir;
    std::string music = dir.makeFolder("music");
    std::string album = dir.makeFolder("music/Album");
    for (const std::string& entry : entries) {
        if (entry.back() == '/') dir.makeFolder("music/Album/" + entry);
        else dir.writeFile("music/Album/" + entry, "picture bytes");
    }
    AlbumsLoader albums(music, "player");
    EXPECT_EQ(albums.getAlbumsCount(), 1);
    if (albums.getAlbumsCount() != 1) return "?";
    std::string cover = albums.albumHasCover(0) ? albums.getAlbumCover(0) : "";
    EXPECT_EQ(cover.empty(), !albums.albumHasCover(0));
    return cover.empty() ? "" : cover.substr(album.size() + 1);  // the file name alone
}

}  // namespace

TEST(CoverRule, NameEndsInAPictureExtensionInAnyCase) {
    for (const char* name : {"cover.jpg", "COVER.JPG", "Front.Png", "x.bMp", "jpg", "PNG", "coverjpg", "a b.jpg",
                             "cover.jpeg", "Cover.JPEG", "cover.webp", "FRONT.WebP"})
        EXPECT_TRUE(AlbumsLoader::is_cover(name)) << name;
    for (const char* name : {"cover.gif", "cover.tga", "jp", "g", "", "cover.jpg ", "cover.jpg.txt", "cover.jpe",
                             "cover.web", "cover.webm"})
        EXPECT_FALSE(AlbumsLoader::is_cover(name)) << name;
}

TEST(CoverRule, FirstPictureInListingOrderWins) {
    EXPECT_EQ(coverAmong({"b.png", "A.jpg", "song.mp3"}), "A.jpg");
    EXPECT_EQ(coverAmong({"folder.JPG", "Cover.bmp", "back.png"}), "Cover.bmp");  // both front names: by name
    EXPECT_EQ(coverAmong({"zzz.jpg", "_under.png"}), "zzz.jpg");  // '_' sorts after letters
    EXPECT_EQ(coverAmong({"song.mp3", "notes.txt"}), "");
    EXPECT_EQ(coverAmong({}), "");
}

// Scans: the front of the box before anything else, the back and the booklet last.
TEST(CoverRule, FrontNamesComeFirstAndScansOfTheRestLast) {
    struct Case {
        std::initializer_list<std::string> files;
        const char* cover;
    };
    const Case cases[] = {
        {{"Back.jpg", "Booklet 01.jpg", "CD.jpg", "Front.jpg"}, "Front.jpg"},
        {{"Back.jpg", "Booklet 01.jpg", "CD.jpg", "scan.jpg"}, "scan.jpg"},
        {{"Back.jpg", "Booklet 01.jpg", "CD.jpg"}, "Back.jpg"},  // only last-group names: by name
        {{"AlbumArtSmall.jpg", "AlbumArt_{1234}_Large.jpg"}, "AlbumArt_{1234}_Large.jpg"},
        {{"AlbumArtSmall.jpg", "Folder.jpg"}, "Folder.jpg"},
        {{"a.png", "albumart.PNG"}, "albumart.PNG"},
        {{"a.png", "ALBUM.jpeg"}, "ALBUM.jpeg"},
        {{"00 back cover.jpg", "01 inlay.jpg", "02 disc 1.png", "03 tray.jpg", "04 inside.webp", "05 photo.bmp"},
         "05 photo.bmp"},
        {{"Artist - Album (Back Cover).jpg", "Artist - Album (Cover).jpg"}, "Artist - Album (Cover).jpg"},
        {{"CD Front.jpg", "aaa.jpg"}, "CD Front.jpg"},  // the front of the disc's case is still a front
        {{"FrontCover.jpg", "a.jpg"}, "FrontCover.jpg"},
        {{"backdrop.jpg", "cd1.jpg", "discography.jpg"}, "backdrop.jpg"},  // whole words only
        {{"b.jpg", "cover.txt", "front/", "front/cover.jpg"}, "b.jpg"},
        {{"z cover.webp", "a.jpg"}, "z cover.webp"},
    };
    for (const Case& c : cases) EXPECT_EQ(coverAmong(c.files), c.cover) << *c.files.begin();
}

TEST(CoverRule, SkipsDotFilesShortNamesAndFolders) {
    EXPECT_EQ(coverAmong({".hidden.jpg", "._cover.png", "visible.bmp"}), "visible.bmp");
    EXPECT_EQ(coverAmong({"a", "ab", "abc.png"}), "abc.png");
    EXPECT_EQ(coverAmong({"a.jpg/", "b.png"}), "b.png");
    EXPECT_EQ(coverAmong({"jpg"}), "jpg");  // three letters are enough
    EXPECT_EQ(coverAmong({".jpg", ".png"}), "");
}

// An album of several discs keeps its cover in its own folder or in the
// first disc's; pictures in any other sub-folder are not its cover.
TEST(CoverRule, PicturesInASubFolderCountOnlyInTheFirstDiscFolder) {
    EXPECT_EQ(coverAmong({"Scans/", "Scans/front.jpg"}), "");
    EXPECT_EQ(coverAmong({"Scans/", "Scans/front.jpg", "Disc 2/", "Disc 2/back.png"}), "Disc 2/back.png");
    EXPECT_EQ(coverAmong({"CD1/", "CD1/back.png", "CD1/folder.jpg", "CD2/", "CD2/front.jpg"}), "CD1/folder.jpg");
    EXPECT_EQ(coverAmong({"CD1/", "CD1/front.jpg", "scan.png"}), "scan.png") << "the album folder's own first";
    EXPECT_EQ(coverAmong({"CD1/", "CD1/01.mp3", "CD2/", "CD2/front.jpg"}), "") << "the first disc only";
    EXPECT_EQ(coverAmong({"Discography/", "Discography/front.jpg"}), "");
}

TEST(CoverRule, LinksToPicturesCountAsFilesAndLinksToFoldersAreSkipped) {
    TempDir dir;
    std::string music = dir.makeFolder("music");
    dir.makeFolder("music/Album");
    dir.makeFolder("elsewhere.jpg");
    dir.writeFile("real.png", "");
    ASSERT_EQ(symlink(dir.at("elsewhere.jpg").c_str(), dir.at("music/Album/a folder link.jpg").c_str()), 0);
    ASSERT_EQ(symlink(dir.at("real.png").c_str(), dir.at("music/Album/b picture link.png").c_str()), 0);
    AlbumsLoader albums(music, "player");
    ASSERT_TRUE(albums.albumHasCover(0));
    EXPECT_EQ(albums.getAlbumCover(0), music + "/Album/b picture link.png");
}

TEST(CoverLookup, IsLazyAndRunsOncePerAlbum) {
    TempDir dir;
    std::string music = dir.makeFolder("music");
    dir.makeFolder("music/One");
    dir.makeFolder("music/Two");
    dir.writeFile("music/One/front.jpg", "");
    AlbumsLoader albums(music, "player");
    EXPECT_EQ(albums.getAlbumCover(0), "") << "the lookup must not run before it is asked for";

    EXPECT_TRUE(albums.albumHasCover(0));
    EXPECT_EQ(albums.getAlbumCover(0), music + "/One/front.jpg");
    EXPECT_FALSE(albums.albumHasCover(1));

    // Pictures added or removed after the lookup are not seen: it never runs again.
    dir.writeFile("music/Two/late.png", "");
    std::filesystem::remove(dir.at("music/One/front.jpg"));
    dir.writeFile("music/One/another.png", "");
    albums.initAlbumCover(0);
    albums.initAlbumCover(1);
    EXPECT_TRUE(albums.albumHasCover(0));
    EXPECT_EQ(albums.getAlbumCover(0), music + "/One/front.jpg");
    EXPECT_FALSE(albums.albumHasCover(1));
    EXPECT_EQ(albums.getAlbumCover(1), "");
}

TEST(CoverLookup, InitAlbumCoverRunsTheLookupOnlyTheFirstTime) {
    TempDir dir;
    std::string music = dir.makeFolder("music");
    dir.makeFolder("music/Album");
    AlbumsLoader albums(music, "player");
    albums.initAlbumCover(0);
    dir.writeFile("music/Album/cover.jpg", "");
    albums.initAlbumCover(0);
    EXPECT_FALSE(albums.albumHasCover(0));
    EXPECT_EQ(albums.getAlbumCover(0), "");
}

TEST(CoverLookup, VanishedAlbumFolderHasNoCoverAndIsNotSearchedAgain) {
    TempDir dir;
    std::string music = dir.makeFolder("music");
    dir.makeFolder("music/Gone");
    dir.writeFile("music/Gone/cover.jpg", "");
    AlbumsLoader albums(music, "player");
    std::filesystem::remove_all(dir.at("music/Gone"));
    EXPECT_FALSE(albums.albumHasCover(0));
    dir.makeFolder("music/Gone");
    dir.writeFile("music/Gone/cover.jpg", "");
    EXPECT_FALSE(albums.albumHasCover(0));
    EXPECT_EQ(albums.getAlbumCover(0), "");
}

