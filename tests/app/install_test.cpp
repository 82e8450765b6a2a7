// The desktop install: cmake --install into a private DESTDIR puts the program,
// a valid desktop entry, the icon, a manual page and the copyright file in
// place, and cpack makes a Debian package naming what the program needs at run
// time. scripts/check-package installs that package on a clean Debian 12.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/process.h"
#include "support/temp_dir.h"
#include "texture/cover_picture.h"

namespace {

ProcessResult run(const std::vector<std::string>& argv, const std::string& folder,
                  const std::vector<std::string>& env = {}) {
    return runProcess(argv, folder, env, 120000);
}

}  // namespace

TEST(Install, PutsProgramDesktopEntryIconsAndManualPageInPlace) {
    TempDir dir;
    ProcessResult install = run({"cmake", "--install", VELLORA_BUILD_DIR, "--prefix", "/usr"}, dir.path(),
                                {"DESTDIR=" + dir.at("root")});
    ASSERT_EQ(install.status, 0) << install.out << install.err;
    const std::string usr = dir.at("root/usr");

    EXPECT_TRUE(std::filesystem::is_regular_file(usr + "/bin/vellora"));
    // The tag helper, found by the program at ../libexec/vellora from its own folder.
    EXPECT_TRUE(std::filesystem::is_regular_file(usr + "/libexec/vellora/vellora-tags"));
    // The installed program runs: without a display it gets past the library and says why it stops.
    dir.makeFolder("music/Album");
    ProcessResult program = run({usr + "/bin/vellora", dir.at("music")}, dir.path(), {"DISPLAY", "WAYLAND_DISPLAY"});
    EXPECT_EQ(program.status, 1);
    EXPECT_NE(program.err.find("SDL Init Error"), std::string::npos) << program.err;

    const std::string desktop = usr + "/share/applications/vellora.desktop";
    ProcessResult valid = run({"desktop-file-validate", desktop}, dir.path());
    EXPECT_EQ(valid.status, 0) << valid.out << valid.err;
    EXPECT_EQ(valid.out + valid.err, "");
    // Offered for folders (a file manager's "Open With"), the folder handed over as one argument.
    const std::string entry = readWholeFile(desktop);
    EXPECT_NE(entry.find("\nMimeType=inode/directory;\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nExec=vellora %f\n"), std::string::npos) << entry;

    EXPECT_TRUE(std::filesystem::is_regular_file(usr + "/share/icons/hicolor/scalable/apps/vellora.svg"));
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const std::string png = usr + "/share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) +
                                "/apps/vellora.png";
        CoverPicture icon = decodeCoverPicture(png.c_str());
        ASSERT_TRUE(icon.usable()) << png << ": " << icon.failure;
        EXPECT_EQ(icon.width, size);
        EXPECT_EQ(icon.height, size);
    }

    // The manual page (compressed) formats without a warning and covers usage, keys, every setting
    // and the files.
    const std::string manual = usr + "/share/man/man1/vellora.1.gz";
    ProcessResult groff = run({"sh", "-c", "zcat \"$0\" | groff -man -Tutf8 -ww -z", manual}, dir.path());
    EXPECT_EQ(groff.status, 0);
    EXPECT_EQ(groff.err, "");
    ProcessResult man =
        run({"man", "-l", manual}, dir.path(), {"MANWIDTH=100", "LANG=C", "LC_ALL=C", "MAN_KEEP_FORMATTING"});
    ASSERT_EQ(man.status, 0) << man.err;
    for (const char* needed : {"SYNOPSIS", "--depth", "Page Up", "Home", "F1", "F11", "side cover", "Drag",
                               "musicplayer=", "defaultdir=", "autoplay=", "depth=", "texturememory=",
                               "./vellora.ini", ".config/vellora/vellora.ini", "user-dirs.dirs"})
        EXPECT_NE(man.out.find(needed), std::string::npos) << needed;
}

TEST(Install, DebianPackageNamesWhatIsLoadedAtRunTimeAndItsVersion) {
    TempDir dir;
    ProcessResult cpack =
        run({"cpack", "-G", "DEB", "--config", std::string(VELLORA_BUILD_DIR) + "/CPackConfig.cmake", "-B",
             dir.path()},
            dir.path());
    ASSERT_EQ(cpack.status, 0) << cpack.out << cpack.err;
    std::string package;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        if (entry.path().extension() == ".deb") package = entry.path().string();
    ASSERT_NE(package, "") << cpack.out;

    ProcessResult depends = run({"dpkg-deb", "-f", package, "Depends"}, dir.path());
    ASSERT_EQ(depends.status, 0) << depends.err;
    // By hand: the SDL 1.2 the program is tested against, and run-time loads. From the shared-library
    // scan: what the program links, with the old SDL 1.2 named there replaced.
    const std::string list = ", " + depends.out;
    for (const char* needed : {", libsdl1.2-compat-shim", ", libgl1,", ", libgl1-mesa-dri", ", libsdl2-2.0-0",
                               ", fonts-liberation2", ", fonts-dejavu-core", ", libc6", ", libsdl-image1.2", ", libfreetype6",
                               ", libfontconfig1", ", libx11-6"})
        EXPECT_NE(list.find(needed), std::string::npos) << needed << " in " << depends.out;
    for (const char* unwanted : {"libsdl1.2debian", "xfonts-base", "fonts-wqy-microhei", "fonts-noto-cjk"})
        EXPECT_EQ(depends.out.find(unwanted), std::string::npos) << unwanted << " in " << depends.out;
    // The fonts for CJK and emoji only recommended (the big Noto CJK suggested): without them, boxes.
    EXPECT_EQ(run({"dpkg-deb", "-f", package, "Recommends"}, dir.path()).out,
              "xfonts-base, fonts-wqy-microhei | fonts-noto-cjk, fonts-symbola\n");
    EXPECT_EQ(run({"dpkg-deb", "-f", package, "Suggests"}, dir.path()).out, "fonts-noto-cjk\n");
    EXPECT_EQ(run({"dpkg-deb", "-f", package, "Maintainer"}, dir.path()).out,
              "Vellora developers <maintainers@vellora.invalid>\n");

    ProcessResult contents = run({"dpkg-deb", "-c", package}, dir.path());
    for (const char* file : {"./usr/bin/vellora", "./usr/share/applications/vellora.desktop",
                             "./usr/share/icons/hicolor/48x48/apps/vellora.png", "./usr/share/man/man1/vellora.1.gz",
                             "./usr/share/doc/vellora/copyright", "./usr/share/doc/vellora/changelog.gz"})
        EXPECT_NE(contents.out.find(file), std::string::npos) << file;

    // One version: the package's, the program's own and the changelog's newest entry.
    ProcessResult unpacked = run({"dpkg-deb", "-x", package, dir.at("unpacked")}, dir.path());
    ASSERT_EQ(unpacked.status, 0) << unpacked.err;
    const std::string version = run({"dpkg-deb", "-f", package, "Version"}, dir.path()).out;
    ProcessResult program = run({dir.at("unpacked/usr/bin/vellora"), "--version"}, dir.path());
    EXPECT_EQ(program.status, 0);
    EXPECT_NE(program.out.find(", version " + version), std::string::npos) << program.out << " vs " << version;
    ProcessResult changelog = run({"sh", "-c", "zcat \"$0\" | dpkg-parsechangelog -l - -S Version",
                                   dir.at("unpacked/usr/share/doc/vellora/changelog.gz")},
                                  dir.path());
    EXPECT_EQ(changelog.out, version);
}
