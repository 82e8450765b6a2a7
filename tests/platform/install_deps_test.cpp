// scripts/install-deps on a fresh machine (apt-get --no-install-recommends):
// every program and file the tests and the browser need at run time must come
// from a package it names, or from what those packages depend on. Recommended
// packages do not count; xvfb only recommends the X core fonts that the
// message box needs, for one.
#include <gtest/gtest.h>

#include <string>

#include "support/process.h"

namespace {

// The package that installed `path` (a dpkg -S pattern), or "".
std::string owningPackage(const std::string& path) {
    ProcessResult result = runProcess({"dpkg-query", "-S", path}, "");
    if (result.status != 0) return "";
    return result.out.substr(0, result.out.find_first_of(":,"));
}

TEST(InstallDeps, NamesAPackageThatBringsEverythingTheTestsUse) {
    if (runProcess({"dpkg-query", "--version"}, "").status != 0) GTEST_SKIP() << "not a Debian system";
    const std::string root = VELLORA_SOURCE_DIR;
    ProcessResult list = runProcess({root + "/scripts/install-deps", "--list"}, root);
    ASSERT_EQ(list.status, 0) << list.err;
    std::string names = list.out;
    while (!names.empty() && names.back() == '\n') names.pop_back();
    // The named packages with everything they depend on (not what they recommend).
    ProcessResult closure = runProcess(
        {"sh", "-c",
         "apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts --no-breaks "
         "--no-replaces --no-enhances " + names + " | grep -v '^ ' | sed 's/:.*//'"},
        root);
    ASSERT_EQ(closure.status, 0) << closure.err;
    const std::string packages = "\n" + closure.out;

    const char* needed[] = {
        "/usr/bin/xvfb-run", "/usr/bin/Xvfb", "/usr/bin/xauth",       // the virtual display
        "/usr/bin/xdotool", "/usr/bin/xwininfo",                      // keys, clicks, geometry
        "/usr/bin/python3",                                           // the benchmarks
        "/usr/bin/dpkg-source",                                       // the Windows libraries' sources
        "/usr/bin/tclsh8.6",                                          // SQLite's, for the Windows build
        "/usr/bin/strace",                                            // the clone-alone check
        "/usr/bin/makensis", "/usr/bin/zip", "/usr/bin/unzip",        // the Windows packages
        "/usr/include/zlib.h",                                        // the Windows icon drawer
        "/usr/sbin/debootstrap", "/usr/bin/lintian", "/usr/bin/xwd",  // the package check
        "*/libSDL2-2.0.so.0",                                         // the message box, loaded at run time
        "*/X11/misc/6x13-ISO8859-1.pcf.gz",                           // the X core font the box draws with
        "*/dri/swrast_dri.so",                                        // software OpenGL
        "*/LiberationMono-Bold.ttf",                                  // the caption font
        "*/wqy-microhei.ttc", "*/Symbola_hint.ttf",                   // captions in CJK and emoji
        "/usr/bin/flac", "/usr/bin/wavpack", "/usr/bin/mpcenc",       // audio files with covers
    };
    for (const char* path : needed) {
        std::string package = owningPackage(path);
        if (package.empty()) {
            ADD_FAILURE() << path << " is not installed from any package";
            continue;
        }
        EXPECT_NE(packages.find("\n" + package + "\n"), std::string::npos)
            << path << " comes from " << package << ", which scripts/install-deps does not bring";
    }
}

}  // namespace
