// Folders the user may not read: the scan and the cover lookup give nothing
// for them, quietly, and the cover lookup still runs only once.
//
// Root reads every folder, so each check runs in a forked child that has
// dropped to user nobody first (as CI runs the tests as root).
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "library/albums_loader.h"
#include "support/child.h"
#include "support/temp_dir.h"

TEST(MusicScan, UnreadableMusicFolderGivesAnEmptyLibrary) {
    TempDir dir;
    std::string music = dir.makeFolder("music");
    dir.makeFolder("music/Album");
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(music.c_str(), 0), 0);
    int count = exitStatusAsNobody([&] { return AlbumsLoader(music, "player").getAlbumsCount(); });
    EXPECT_EQ(count, 0);
}

TEST(CoverLookup, UnreadableAlbumFolderHasNoCoverAndIsNotSearchedAgain) {
    TempDir dir;
    std::string music = dir.makeFolder("music");
    std::string album = dir.makeFolder("music/Locked");
    dir.writeFile("music/Locked/cover.jpg", "");
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(album.c_str(), 0), 0);
    // The folder belongs to nobody, so the child can open it up again itself.
    if (geteuid() == 0) {
        ASSERT_EQ(chown(album.c_str(), 65534, 65534), 0);
    }
    int status = exitStatusAsNobody([&] {
        AlbumsLoader albums(music, "player");
        if (albums.getAlbumsCount() != 1) return 1;
        if (albums.albumHasCover(0)) return 2;
        if (chmod(album.c_str(), 0755) != 0) return 3;
        if (albums.albumHasCover(0) || !albums.getAlbumCover(0).empty()) return 4;
        return 0;
    });
    EXPECT_EQ(status, 0) << "1: not scanned, 2: locked folder listed, 3: chmod failed, 4: looked up again";
}
