// The demo library tool, run as a program, read back through the album
// library and the cover decoder that the browser uses.

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "library/albums_loader.h"
#include "support/temp_dir.h"
#include "texture/cover_picture.h"

namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int status;          // exit status, -1 when it did not exit
    std::string output;  // standard output and standard error
};

ToolRun runTool(const std::string& arguments) {
    std::string command = std::string("'") + VELLORA_DEMO_TOOL + "' " + arguments + " 2>&1";
    ToolRun run{-1, ""};
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
    int status = pclose(pipe);
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    return run;
}

size_t entries(const std::string& folder) {
    size_t count = 0;
    for (auto it = fs::directory_iterator(folder); it != fs::directory_iterator(); ++it) ++count;
    return count;
}

}  // namespace

TEST(DemoLibrary, MakesAlbumsWithDistinctCoversTheBrowserCanRead) {
    ASSERT_TRUE(fs::exists(VELLORA_DEMO_TOOL)) << "build vellora-demo-library first";
    TempDir dir;
    ToolRun run = runTool("'" + dir.at("music") + "' --albums 24 --cover-size 40 --seed 7");
    ASSERT_EQ(run.status, 0) << run.output;

    AlbumsLoader library(dir.at("music"), "");
    ASSERT_EQ(library.getAlbumsCount(), 24) << "the marker file is not an album";
    std::set<std::string> names, extensions;
    std::set<std::vector<uint8_t>> pictures;
    int withoutCover = 0;
    for (int i = 0; i < library.getAlbumsCount(); ++i) {
        names.insert(library.getAlbumName(i));
        bool hasTracks = false;
        for (auto& entry : fs::directory_iterator(library.getAlbumFolder(i)))
            hasTracks |= entry.path().extension() == ".mp3";
        EXPECT_TRUE(hasTracks) << library.getAlbumName(i);
        if (!library.albumHasCover(i)) {
            ++withoutCover;
            continue;
        }
        std::string cover = library.getAlbumCover(i);
        std::string extension = fs::path(cover).extension().string();
        for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
        extensions.insert(extension);
        CoverPicture picture = decodeCoverPicture(cover.c_str());
        ASSERT_TRUE(picture.usable()) << cover << ": " << picture.failure;
        EXPECT_EQ(picture.width, 40);
        EXPECT_EQ(picture.height, 40);
        pictures.insert(picture.pixels);
    }
    EXPECT_EQ(withoutCover, 2);
    EXPECT_EQ(pictures.size(), 22u) << "every cover differs from every other";
    EXPECT_EQ(extensions, (std::set<std::string>{".bmp", ".jpg", ".png"}));
    EXPECT_EQ(names.size(), 24u);
    EXPECT_EQ(names.count("Sigur Rós – Ágætis byrjun"), 1u);
}

TEST(DemoLibrary, WritesOnlyWhereItMayAndReplacesItsOwnAlbums) {
    TempDir dir;
    // A second run in its own folder replaces the first run's albums.
    ASSERT_EQ(runTool("'" + dir.at("own") + "' --albums 6 --cover-size 8").status, 0);
    ASSERT_EQ(runTool("'" + dir.at("own") + "' --albums 3 --format png --cover-size 8").status, 0);
    EXPECT_EQ(AlbumsLoader(dir.at("own"), "").getAlbumsCount(), 3);

    // Someone else's folder stays as it was unless --force is given.
    dir.makeFolder("theirs");
    dir.writeFile("theirs/keep.txt", "mine");
    ToolRun refused = runTool("'" + dir.at("theirs") + "' --albums 2");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("--force"), std::string::npos) << refused.output;
    EXPECT_EQ(entries(dir.at("theirs")), 1u);
    EXPECT_EQ(runTool("'" + dir.at("theirs") + "' --albums 2 --force --cover-size 8").status, 0);
    EXPECT_EQ(AlbumsLoader(dir.at("theirs"), "").getAlbumsCount(), 2);
    EXPECT_TRUE(fs::exists(dir.at("theirs/keep.txt")));

    // --no-covers: empty album folders only.
    ASSERT_EQ(runTool("'" + dir.at("bare") + "' --albums 300 --no-covers").status, 0);
    AlbumsLoader bare(dir.at("bare"), "");
    ASSERT_EQ(bare.getAlbumsCount(), 300);
    EXPECT_EQ(entries(bare.getAlbumFolder(0)), 0u);
    EXPECT_EQ(entries(bare.getAlbumFolder(299)), 0u);
}

TEST(DemoLibrary, BadArgumentsGiveTheUsageAndStatusTwo) {
    TempDir dir;
    const std::string folder = "'" + dir.at("out") + "'";
    for (std::string arguments : {std::string(""), folder + " --albums", folder + " --albums many",
                                  folder + " --albums -1", folder + " --cover-size 0", folder + " --format gif",
                                  folder + " --seed 99999999999", folder + " --colour", folder + " second"}) {
        ToolRun run = runTool(arguments);
        EXPECT_EQ(run.status, 2) << arguments << "\n" << run.output;
        EXPECT_NE(run.output.find("usage: vellora-demo-library FOLDER"), std::string::npos) << arguments;
    }
    EXPECT_FALSE(fs::exists(dir.at("out"))) << "nothing is written after bad arguments";
    ToolRun help = runTool("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("--no-covers"), std::string::npos);
}
