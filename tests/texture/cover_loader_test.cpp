// The cover loader with its real thread and real pictures on disk: the order
// it finishes in, what it makes of bad and hostile files, quitting while it
// is busy, and the thumbnail cache. No GL; these also run under ThreadSanitizer.
#include "texture/cover_loader.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "pictures/picture_writer.h"
#include "platform/platform.h"
#include "support/audio_files.h"
#include "support/temp_dir.h"

namespace {

// Waits for the next finished cover; fails after a generous minute.
LoadedCover nextFinished(CoverLoader& loader) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    LoadedCover cover;
    while (!loader.takeFinished(&cover)) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "no cover finished";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return cover;
}

// Asks for album `place` of `folders`, keyed by its folder's name.
bool ask(CoverLoader& loader, const std::vector<std::string>& folders, int place) {
    const std::string& folder = folders[size_t(place)];
    return loader.request(folder.substr(folder.rfind('/') + 1), folder, place, 400);
}

}  // namespace

TEST(CoverLoader, ThreadCountFollowsTheCores) {
    EXPECT_EQ(coverLoaderThreads(0), 1);
    EXPECT_EQ(coverLoaderThreads(1), 1);
    EXPECT_EQ(coverLoaderThreads(2), 1);
    EXPECT_EQ(coverLoaderThreads(4), 3);
    EXPECT_EQ(coverLoaderThreads(64), 4);
}

TEST(CoverLoader, FindsReadsAndDecodesEachAlbumAndSaysWhatWentWrong) {
    TempDir dir;
    std::vector<std::string> folders;
    for (int i = 0; i < 9; ++i) folders.push_back(dir.makeFolder("album" + std::to_string(i)));
    ASSERT_TRUE(writeJpeg(folders[0] + "/cover.jpg", quadrantPicture(900), 90));
    // album 1 has no picture at all
    ASSERT_EQ(mkfifo((folders[2] + "/cover.jpg").c_str(), 0644), 0);  // a FIFO nobody writes to
    ASSERT_TRUE(writePng(folders[3] + "/cover.png", quadrantPicture(20), PngKind::Rgb));
    ASSERT_EQ(chmod((folders[3] + "/cover.png").c_str(), 0), 0);  // unreadable, unless we are root
    const bool root = geteuid() == 0;
    ASSERT_TRUE(writePngClaimingSize(folders[4] + "/cover.png", 20000, 20000));
    ASSERT_EQ(symlink("/dev/zero", (folders[5] + "/cover.bmp").c_str()), 0);
    // No picture file: a picture inside an MP3's tag, and a tag that claims 200 MiB.
    dir.writeFile("album6/01.mp3", mp3Frames());
    const std::vector<uint8_t> jpeg = encodeJpeg(quadrantPicture(300), 90);
    addId3Pictures(folders[6] + "/01.mp3", {{3, TagLib::ByteVector(reinterpret_cast<const char*>(jpeg.data()),
                                                                   unsigned(jpeg.size()))}});
    const char hugeTag[] = {'I', 'D', '3', 4, 0, 0, 0x64, 0, 0, 0};
    dir.writeFile("album7/01.mp3", std::string(hugeTag, sizeof hugeTag) + mp3Frames());
    // An album of two discs, its picture inside the first disc's first song.
    dir.makeFolder("album8/CD1");
    dir.makeFolder("album8/CD2");
    dir.writeFile("album8/CD1/01.mp3", mp3Frames());
    dir.writeFile("album8/CD2/01.mp3", mp3Frames());
    addId3Pictures(folders[8] + "/CD1/01.mp3", {{3, TagLib::ByteVector(reinterpret_cast<const char*>(jpeg.data()),
                                                                       unsigned(jpeg.size()))}});

    CoverLoader loader(1, 10);
    loader.moveTo(0);
    for (int i = 0; i < 9; ++i) ASSERT_TRUE(ask(loader, folders, i));
    std::vector<LoadedCover> covers(9);
    for (int n = 0; n < 9; ++n) {
        LoadedCover cover = nextFinished(loader);
        ASSERT_GE(cover.place, 0);
        ASSERT_LT(cover.place, 9);
        EXPECT_EQ(cover.key, "album" + std::to_string(cover.place)) << "the result names its album";
        covers[size_t(cover.place)] = std::move(cover);
    }
    EXPECT_TRUE(covers[0].texels.usable()) << covers[0].texels.failure;
    EXPECT_EQ(covers[0].texels.edge, 512);
    EXPECT_EQ(covers[0].source, folders[0] + "/cover.jpg");
    EXPECT_EQ(covers[1].source, "");
    EXPECT_NE(covers[2].texels.failure.find("not a regular file"), std::string::npos) << covers[2].texels.failure;
    if (root)
        EXPECT_TRUE(covers[3].texels.usable()) << "root reads any file: " << covers[3].texels.failure;
    else
        EXPECT_NE(covers[3].texels.failure.find("cannot open"), std::string::npos) << covers[3].texels.failure;
    EXPECT_NE(covers[4].texels.failure.find("20000 x 20000"), std::string::npos) << covers[4].texels.failure;
    EXPECT_NE(covers[5].texels.failure.find("not a regular file"), std::string::npos) << covers[5].texels.failure;
    EXPECT_TRUE(covers[6].texels.usable()) << covers[6].texels.failure;
    EXPECT_EQ(covers[6].texels.edge, 512);
    EXPECT_EQ(covers[6].source, folders[6] + "/01.mp3");
    EXPECT_EQ(covers[7].source, folders[7] + "/01.mp3");  // the file to mend, named once, not in the reason too
    EXPECT_EQ(covers[7].texels.failure.rfind("its ID3v2 tag claims ", 0), 0u) << covers[7].texels.failure;
    EXPECT_TRUE(covers[8].texels.usable()) << covers[8].texels.failure;
    EXPECT_EQ(covers[8].source, folders[8] + "/CD1/01.mp3");
    EXPECT_TRUE(loader.idle());
}

// Three threads, room for two finished covers, six asked for and none
// taken: two wait, never more (a thread would otherwise finish the cover it
// took while the others were waiting); each taken makes room for the next.
TEST(CoverLoader, NoMoreFinishedCoversWaitThanItsBoundWhateverItsThreads) {
    TempDir dir;
    std::vector<std::string> folders;
    for (int i = 0; i < 6; ++i) {
        folders.push_back(dir.makeFolder("album" + std::to_string(i)));
        // Big enough that the three threads are decoding at once.
        ASSERT_TRUE(writeJpeg(folders.back() + "/cover.jpg", quadrantPicture(1600), 90));
    }
    CoverLoader loader(3, 10, 2);
    loader.moveTo(0);
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(ask(loader, folders, i));
    const size_t each = CoverTexels::coverTextureBytes(512);  // for a middle cover 400 pixels high
    for (int taken = 0; taken < 6; ++taken) {
        const size_t waiting = std::min<size_t>(2, size_t(6 - taken));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (loader.waitingBytes() != waiting * each && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // time for a third to finish, were it let
        EXPECT_EQ(loader.waitingBytes(), waiting * each) << "after " << taken << " taken";
        nextFinished(loader);
    }
    EXPECT_TRUE(loader.idle());
}

TEST(CoverLoader, FinishesNearestFirstAndForgetsRequestsThatLeftTheReach) {
    TempDir dir;
    std::vector<std::string> folders;
    for (int i = 0; i < 40; ++i) {
        folders.push_back(dir.makeFolder("album" + std::to_string(i)));
        ASSERT_TRUE(writePng(folders.back() + "/cover.png", solidPicture(4, 4, 0, 0, uint8_t(i)), PngKind::Rgb));
    }
    CoverLoader loader(1, 5, 40);
    loader.moveTo(10);
    for (int album : {10, 11, 9, 12, 8, 13, 7}) ASSERT_TRUE(ask(loader, folders, album));
    std::vector<std::string> dropped = loader.moveTo(30);  // jumped away before most were done
    std::vector<std::string> finished;
    for (int n = 0; n < 7 - int(dropped.size()); ++n) finished.push_back(nextFinished(loader).key);
    EXPECT_TRUE(loader.idle());
    EXPECT_EQ(finished.size() + dropped.size(), 7u);
    for (const std::string& album : dropped)
        EXPECT_EQ(std::count(finished.begin(), finished.end(), album), 0) << album;

    EXPECT_TRUE(ask(loader, folders, 30));
    EXPECT_TRUE(ask(loader, folders, 31));
    EXPECT_TRUE(ask(loader, folders, 29));
    EXPECT_FALSE(ask(loader, folders, 2)) << "beyond the reach: refused, and never done";
    std::vector<std::string> near;
    for (int n = 0; n < 3; ++n) near.push_back(nextFinished(loader).key);
    std::sort(near.begin(), near.end());
    EXPECT_EQ(near, (std::vector<std::string>{"album29", "album30", "album31"}));
    EXPECT_TRUE(loader.idle());
}

TEST(CoverLoader, EndsAtOnceWhileBusyWithAHugePicture) {
    TempDir dir;
    std::vector<std::string> folders = {dir.makeFolder("album0"), dir.makeFolder("album1")};
    // Large enough that its decode is still running when the loader goes.
    for (const std::string& folder : folders)
        ASSERT_TRUE(writePng(folder + "/cover.png", makeCoverPicture(2500, 7), PngKind::Rgb));
    const int leftBefore = coverLoaderThreadsLeftBehind();
    for (int round = 0; round < 3; ++round) {
        CoverLoader loader(1, 10);
        ask(loader, folders, 0);
        ask(loader, folders, 1);
        while (loader.idle()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // Destroyed here, mid-decode: the decode in hand sees the cancel flag
        // between two rows and its thread ends, so none is left behind.
    }
    EXPECT_EQ(coverLoaderThreadsLeftBehind(), leftBefore);
}

// Through the thumbnail cache, in a folder of the test's own, on two loader
// threads: the first loader writes a thumbnail for the picture and for the
// picture inside an MP3 (keyed by the audio file), and a fail entry for the
// refused picture only (a FIFO is not a content failure); each after its
// cover was handed on, so the loader is idle only once they are written. A
// second loader serves the picture from its thumbnail though the file has
// been corrupted since (its time put back), and does not decode the refused
// one again.
TEST(CoverLoader, WritesThumbnailsAfterHandingCoversOnAndServesTheNextRunFromThem) {
    TempDir dir;
    std::vector<std::string> folders;
    for (int i = 0; i < 4; ++i) folders.push_back(dir.makeFolder("album" + std::to_string(i)));
    const std::string jpegPath = folders[0] + "/cover.jpg";
    ASSERT_TRUE(writeJpeg(jpegPath, quadrantPicture(900), 90));
    ASSERT_TRUE(writePngClaimingSize(folders[1] + "/cover.png", 20000, 20000));
    ASSERT_EQ(mkfifo((folders[2] + "/cover.jpg").c_str(), 0644), 0);
    dir.writeFile("album3/01.mp3", mp3Frames());
    const std::vector<uint8_t> jpeg = encodeJpeg(quadrantPicture(300), 90);
    addId3Pictures(folders[3] + "/01.mp3", {{3, TagLib::ByteVector(reinterpret_cast<const char*>(jpeg.data()),
                                                                   unsigned(jpeg.size()))}});
    ThumbnailCache cache(dir.at("cache/thumbnails"));
    auto thumbnail = [&](const char* size, const std::string& file) {
        return dir.at("cache/thumbnails/") + size + "/" + thumbnailName(thumbnailUri(file, false));
    };
    auto runLoader = [&] {
        CoverLoader loader(2, 10, 3, &cache);
        loader.moveTo(0);
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(ask(loader, folders, i));
        std::vector<LoadedCover> covers(4);
        for (int n = 0; n < 4; ++n) {
            LoadedCover cover = nextFinished(loader);
            if (cover.place < 0 || cover.place >= 4) break;
            covers[size_t(cover.place)] = std::move(cover);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!loader.idle() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return covers;
    };

    std::vector<LoadedCover> first = runLoader();
    EXPECT_TRUE(first[0].texels.usable()) << first[0].texels.failure;
    EXPECT_TRUE(first[3].texels.usable()) << first[3].texels.failure;
    EXPECT_TRUE(platform::isFile(thumbnail("x-large", jpegPath)));
    EXPECT_TRUE(platform::isFile(thumbnail("x-large", folders[3] + "/01.mp3")));
    EXPECT_TRUE(platform::isFile(thumbnail("fail/vellora-0.1", folders[1] + "/cover.png")));
    EXPECT_FALSE(platform::isFile(thumbnail("fail/vellora-0.1", folders[2] + "/cover.jpg")));

    struct stat before;
    ASSERT_EQ(stat(jpegPath.c_str(), &before), 0);
    dir.writeFile("album0/cover.jpg", "\xff\xd8 no longer a picture");
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, jpegPath.c_str(), times, 0), 0);

    std::vector<LoadedCover> second = runLoader();
    ASSERT_TRUE(second[0].texels.usable()) << second[0].texels.failure;
    EXPECT_EQ(second[0].texels.edge, first[0].texels.edge);
    EXPECT_EQ(second[0].texels.sourceWidth, 900) << "the original's size, from the thumbnail";
    // The quadrants' colours come through the thumbnail: compare the middle of each.
    const std::vector<uint8_t>& a = first[0].texels.levels[0];
    const std::vector<uint8_t>& b = second[0].texels.levels[0];
    const int edge = first[0].texels.edge;
    for (int y : {edge / 4, 3 * edge / 4})
        for (int x : {edge / 4, 3 * edge / 4})
            for (int c = 0; c < 3; ++c) {
                const size_t at = (size_t(y) * edge + x) * 3 + c;
                EXPECT_NEAR(int(a[at]), int(b[at]), 6) << x << "," << y;
            }
    EXPECT_NE(second[1].texels.failure.find("earlier run"), std::string::npos) << second[1].texels.failure;
    EXPECT_TRUE(second[3].texels.usable()) << second[3].texels.failure;
}
