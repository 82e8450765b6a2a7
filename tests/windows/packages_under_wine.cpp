// The Windows packages of scripts/package-windows end to end under Wine. The
// installer installs silently and puts the zip's files, the Start menu link
// and the keys in place; the installed program, started in its folder with no
// settings, names the profile's Music folder and where settings go, then
// shows a library from the Start menu link (settings in %APPDATA%) and from
// the folder verb's command line as the registry holds it; the quiet
// uninstall as the registry holds it leaves nothing of ours but the user's
// data, and with /PURGE not that either. The zip runs where it is unpacked.
// VELLORA_WINDOWS_BUILD names the build with the packages; WINEPREFIX a
// prefix with an empty home (scripts/test-windows).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "pictures/picture_writer.h"
#include "support/app_fixture.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/wine_run.h"
#include "support/x11_window.h"

namespace fs = std::filesystem;

namespace {

const std::string kUninstallKey = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vellora";
const std::string kFolderVerb = "HKCU\\Software\\Classes\\Directory\\shell\\Vellora";
const std::string kBackgroundVerb = "HKCU\\Software\\Classes\\Directory\\Background\\shell\\Vellora";

ProcessResult wine(const std::vector<std::string>& arguments, const std::string& folder) {
    std::vector<std::string> argv = {"wine"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runProcess(argv, folder, {"WINEDEBUG=-all"}, 120000);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        result.push_back(line);
    }
    return result;
}

std::string driveC() { return std::string(std::getenv("WINEPREFIX")) + "/drive_c/"; }

// A Windows path of drive C: as a Linux one.
std::string prefixPath(std::string windows) {
    std::replace(windows.begin(), windows.end(), '\\', '/');
    return driveC() + windows.substr(3);
}

// One registry key's values as `reg query` lists them ("(Default)" for the
// unnamed one); empty when the key is not there.
std::map<std::string, std::string> registryValues(const std::string& key) {
    std::map<std::string, std::string> values;
    for (const std::string& line : lines(wine({"reg", "query", key}, "/").out)) {
        const size_t type = line.find("    REG_");  // "    NAME    REG_SZ    DATA"
        if (line.compare(0, 4, "    ") != 0 || type == std::string::npos) continue;
        const size_t data = line.find("    ", type + 4);
        values[line.substr(4, type - 4)] = data == std::string::npos ? "" : line.substr(data + 4);
    }
    return values;
}

// Every path below drive C: (links not followed) and every key of
// HKEY_CURRENT_USER ("[HKEY_CURRENT_USER\...]", from `reg export`, UTF-16).
std::set<std::string> prefixState(const TempDir& dir) {
    std::set<std::string> state;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(driveC(), error); it != fs::recursive_directory_iterator();
         it.increment(error))
        state.insert(it->path().lexically_relative(driveC()).string());
    const std::string file = dir.at("keys.reg");
    wine({"reg", "export", "HKEY_CURRENT_USER", windowsPath(file), "/y"}, dir.path());
    const std::string bytes = readWholeFile(file);
    std::string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) text += bytes[i + 1] == 0 ? bytes[i] : '?';
    for (const std::string& line : lines(text))
        if (line.rfind("[HKEY_CURRENT_USER", 0) == 0) state.insert(line);
    fs::remove(file);
    return state;
}

// What `now` holds and `before` did not, but for what lies below `kept`
// (Windows paths), and the copy NSIS's uninstaller runs itself from in
// %TEMP% (~nsuN.tmp\Un.exe), which it cannot remove while it runs: Windows'
// own clean-up of temporary files takes it.
std::string added(const std::set<std::string>& before, const std::set<std::string>& now,
                  std::vector<std::string> kept, const std::string& temp) {
    for (std::string& folder : kept) folder = prefixPath(folder).substr(driveC().size());
    const std::string copies = prefixPath(temp).substr(driveC().size()) + "/~nsu";
    std::string text;
    for (const std::string& path : now) {
        bool ours = !before.count(path) && path.rfind(copies, 0) != 0;
        for (const std::string& folder : kept) ours = ours && path.rfind(folder, 0) != 0;
        if (ours) text += "\n  " + path;
    }
    return text;
}

std::string reportedVersion(const std::string& program) {
    const std::string out = wine({program, "--version"}, "/").out;  // "Vellora v0.1 alpha, version 0.1.0"
    const size_t at = out.rfind("version ");
    return at == std::string::npos ? "" : lines(out.substr(at + 8))[0];
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The browser's window shows `rgb` in its middle; Escape then closes it.
void showsThenEnds(const uint8_t* rgb, const std::string& how) {
    const unsigned long window = findWindowTitled(kWindowsCaption, kWineWait);
    ASSERT_NE(window, 0u) << how << ": no window";
    EXPECT_TRUE(waitFor([&] { return middleShows(window, rgb); }, 30000)) << how << ": the cover never showed";
    pressKeys(window, {"Escape"});
    EXPECT_TRUE(waitFor([] { return findWindowTitled(kWindowsCaption, 0) == 0; }, 30000)) << how << ": still open";
}

class WindowsPackages : public testing::Test {
protected:
    void SetUp() override {
        if (windowsBuild().empty() || !std::getenv("WINEPREFIX"))
            GTEST_FAIL() << "set VELLORA_WINDOWS_BUILD to the Windows build and WINEPREFIX to a prefix";
        version = reportedVersion(windowsBuild() + "/vellora.exe");
        const std::string name = "vellora-" + version + "-win64";
        setup = windowsBuild() + "/" + name + "-setup.exe";
        ASSERT_EQ(runProcess({"unzip", "-q", windowsBuild() + "/" + name + ".zip", "-d", dir.path()}, "").status, 0)
            << "run scripts/package-windows (the packages' names carry the program's version)";
        unpacked = dir.at(name);
        red = makeMusicFolder(dir, 2, [](const std::string& folder, int) {
            writeJpeg(folder + "/cover.jpg", solidPicture(64, 64, 255, 0, 0));
        }, "red");
    }

    TempDir dir;
    std::string version, setup, unpacked, red;
    const uint8_t kRed[3] = {255, 0, 0};
};

TEST_F(WindowsPackages, TheInstallerPutsEverythingInPlaceAndTheUninstallerTakesAllOfItAway) {
    std::istringstream echoed(wine({"cmd", "/c", "echo", "%APPDATA%;%LOCALAPPDATA%;%USERPROFILE%;%TEMP%;"}, "/").out);
    std::vector<std::string> folders(4);
    for (std::string& folder : folders) std::getline(echoed, folder, ';');
    ASSERT_EQ(folders[3].rfind("C:\\", 0), 0u) << folders[3];
    const std::string appData = folders[0], installed = folders[1] + "\\Programs\\Vellora", temp = folders[3];
    const std::set<std::string> before = prefixState(dir);

    const auto installing = std::chrono::steady_clock::now();
    ASSERT_EQ(wine({setup, "/S"}, dir.path()).status, 0);
    std::printf("silent install under Wine: %.1f s\n", secondsSince(installing));

    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(unpacked)) {
        const std::string file = entry.path().lexically_relative(unpacked).string();
        files.insert(file);
        if (entry.is_regular_file()) {
            EXPECT_EQ(readWholeFile(prefixPath(installed + "\\" + file)), readWholeFile(entry.path())) << file;
        }
    }
    files.insert("uninstall.exe");
    std::set<std::string> installedFiles;
    for (const auto& entry : fs::recursive_directory_iterator(prefixPath(installed)))
        installedFiles.insert(entry.path().lexically_relative(prefixPath(installed)).string());
    EXPECT_EQ(installedFiles, files);
    const std::string link = appData + "\\Microsoft\\Windows\\Start Menu\\Programs\\Vellora.lnk";
    EXPECT_TRUE(fs::is_regular_file(prefixPath(link))) << "no Start menu entry";

    const std::string program = installed + "\\vellora.exe";
    std::map<std::string, std::string> entry = registryValues(kUninstallKey);
    EXPECT_EQ(entry["DisplayName"], "Vellora");
    EXPECT_EQ(entry["DisplayVersion"], version);
    EXPECT_EQ(entry["Publisher"], "The Vellora developers");
    EXPECT_EQ(entry["QuietUninstallString"], "\"" + installed + "\\uninstall.exe\" /S");
    EXPECT_EQ(reportedVersion(prefixPath(program)), version);
    for (const std::string& verb : {kFolderVerb, kBackgroundVerb})
        EXPECT_EQ(registryValues(verb)["(Default)"], "Browse albums with Vellora") << verb;
    std::string command = registryValues(kFolderVerb + "\\command")["(Default)"];
    EXPECT_EQ(command, "\"" + program + "\" \"%1\"");
    EXPECT_EQ(registryValues(kBackgroundVerb + "\\command")["(Default)"], "\"" + program + "\" \"%V\"");

    // Started in its own folder as the Start menu starts it, with no settings
    // anywhere: the profile's Music folder (empty) is no music folder, and
    // the message names it and the settings file to make.
    const std::string music = folders[2] + "\\Music";
    for (const auto& found : fs::directory_iterator(prefixPath(music)))
        ASSERT_EQ(found.path().filename().string()[0], '.') << music << " holds " << found.path();
    ChildProcess first({"wine", prefixPath(program)}, prefixPath(installed), {"WINEDEBUG=-all"});
    const unsigned long box = findWindowTitled("error", kWineWait);
    ASSERT_NE(box, 0u) << first.err();
    pressKeys(box, {"Return"});
    int status = -1;
    EXPECT_TRUE(first.wait(30000, &status) && status == 1) << first.err();
    EXPECT_NE(first.err().find(music), std::string::npos) << first.err();
    EXPECT_NE(first.err().find(appData + "\\vellora\\vellora.ini"), std::string::npos) << first.err();

    // From the Start menu link, with the settings in %APPDATA%\vellora, and
    // a thumbnail of the user's in %LOCALAPPDATA%\vellora (the runs may end
    // before they write their own).
    const std::string thumbnail = prefixPath(folders[1] + "\\vellora\\thumbnails\\normal\\kept.png");
    fs::create_directories(fs::path(thumbnail).parent_path());
    std::ofstream(thumbnail) << "a thumbnail";
    fs::create_directories(prefixPath(appData + "\\vellora"));
    const std::string settings = "[vellora]\r\ndefaultdir=" + windowsPath(red) + "\r\nautoplay=false\r\n";
    std::ofstream(prefixPath(appData + "\\vellora\\vellora.ini"), std::ios::binary) << settings;
    ChildProcess fromMenu({"wine", "start", link}, dir.path(), {"WINEDEBUG=-all"});
    showsThenEnds(kRed, "from the Start menu");

    // The folder verb's command line, the folder in place of %1: the folder
    // replaces the settings' music folder.
    const uint8_t blue[] = {0, 0, 255};
    const std::string blueLibrary = makeMusicFolder(dir, 1, [](const std::string& folder, int) {
        writeJpeg(folder + "/cover.jpg", solidPicture(64, 64, 0, 0, 255));
    }, "blue library");
    command.replace(command.find("%1"), 2, windowsPath(blueLibrary));
    const std::string runner = windowsBuild() + "/tests/run-command-line.exe";
    ChildProcess fromExplorer({"wine", runner, command}, dir.path(), {"WINEDEBUG=-all"});
    showsThenEnds(blue, "from the folder's menu");
    EXPECT_TRUE(fromExplorer.wait(30000, &status) && status == 0) << fromExplorer.err();

    // The quiet uninstall as "Apps & features" runs it; it goes on from its
    // copy in %TEMP%, so its end is seen in what it removes.
    auto uninstalled = [&] {
        return !fs::exists(prefixPath(installed)) && !fs::exists(prefixPath(link)) &&
               registryValues(kUninstallKey).empty();
    };
    const auto uninstalling = std::chrono::steady_clock::now();
    EXPECT_EQ(wine({runner, entry["QuietUninstallString"]}, dir.path()).status, 0);
    EXPECT_TRUE(waitFor(uninstalled, 60000)) << "the uninstaller left the program";
    std::printf("silent uninstall under Wine: %.1f s\n", secondsSince(uninstalling));
    const std::set<std::string> after = prefixState(dir);
    EXPECT_EQ(added(before, after, {appData + "\\vellora", folders[1] + "\\vellora"}, temp), "") << "left behind";
    EXPECT_EQ(added(after, before, {}, temp), "") << "taken away";
    EXPECT_EQ(readWholeFile(prefixPath(appData + "\\vellora\\vellora.ini")), settings) << "the settings went";
    EXPECT_EQ(readWholeFile(thumbnail), "a thumbnail") << "the thumbnails went";

    // Asked to, it takes the user's data too.
    ASSERT_EQ(wine({setup, "/S"}, dir.path()).status, 0);
    EXPECT_EQ(wine({runner, entry["QuietUninstallString"] + " /PURGE"}, dir.path()).status, 0);
    EXPECT_TRUE(waitFor([&] { return uninstalled() && !fs::exists(prefixPath(folders[1] + "\\vellora")); }, 60000));
    EXPECT_EQ(added(before, prefixState(dir), {}, temp), "") << "left behind";
}

TEST_F(WindowsPackages, ThePortableZipRunsWhereItIsUnpacked) {
    EXPECT_EQ(reportedVersion(unpacked + "/vellora.exe"), version);
    EXPECT_NE(readWholeFile(unpacked + "/README.txt").find("%APPDATA%\\vellora\\vellora.ini"), std::string::npos);
    // Started in its own folder, it reads the settings file beside it.
    std::ofstream(unpacked + "/vellora.ini") << "[vellora]\r\ndefaultdir=" << windowsPath(red) << "\r\nautoplay=false\r\n";
    ChildProcess browser({"wine", unpacked + "/vellora.exe"}, unpacked, {"WINEDEBUG=-all"});
    showsThenEnds(kRed, "unpacked");
    int status = -1;
    EXPECT_TRUE(browser.wait(30000, &status) && status == 0) << browser.err();
}

}  // namespace
