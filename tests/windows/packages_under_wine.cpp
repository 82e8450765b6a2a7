// The Windows packages end to end under Wine: the installer made by
// scripts/package-windows installs silently, puts the files, the Start menu
// link and the keys in place, the installed program shows a library from the
// Start menu (settings from %APPDATA%) and from the Explorer verb's command
// line as the registry holds it, and its uninstaller takes away everything it
// made but the user's data, which goes only when asked. The portable zip
// unpacks and runs the same. Both carry the version the program reports.
// VELLORA_WINDOWS_BUILD names the build with the packages; WINEPREFIX a ready
// prefix of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
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

ProcessResult wine(const std::vector<std::string>& arguments, const std::string& folder, int timeoutMs = 120000) {
    std::vector<std::string> argv = {"wine"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runProcess(argv, folder, {"WINEDEBUG=-all"}, timeoutMs);
}

std::string withoutLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// The prefix's own folders: a Windows path (C:\users\...) as a Linux one.
std::string prefixPath(const std::string& windows) {
    std::string path = windows.size() > 2 && windows[1] == ':' ? windows.substr(2) : windows;
    std::replace(path.begin(), path.end(), '\\', '/');
    return std::string(std::getenv("WINEPREFIX")) + "/drive_c" + path;
}

// The environment Wine's programs get: APPDATA, LOCALAPPDATA, ...
std::map<std::string, std::string> windowsEnvironment(const std::string& folder) {
    std::map<std::string, std::string> values;
    const std::string out = wine({"cmd", "/c", "set"}, folder).out;
    size_t start = 0;
    while (start < out.size()) {
        size_t end = out.find('\n', start);
        if (end == std::string::npos) end = out.size();
        const std::string line = withoutLineEnd(out.substr(start, end - start));
        const size_t equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
        start = end + 1;
    }
    return values;
}

// The values of one registry key as `reg query` lists them ("(Default)" for
// the unnamed one); empty when the key is not there.
std::map<std::string, std::string> registryValues(const std::string& key, const std::string& folder) {
    std::map<std::string, std::string> values;
    const ProcessResult query = wine({"reg", "query", key}, folder);
    if (query.status != 0) return values;
    size_t start = 0;
    while (start < query.out.size()) {
        size_t end = query.out.find('\n', start);
        if (end == std::string::npos) end = query.out.size();
        const std::string line = withoutLineEnd(query.out.substr(start, end - start));
        start = end + 1;
        // "    NAME    REG_SZ    DATA"
        const size_t type = line.find("    REG_");
        if (line.compare(0, 4, "    ") != 0 || type == std::string::npos) continue;
        const size_t data = line.find("    ", type + 4);
        values[line.substr(4, type - 4)] = data == std::string::npos ? "" : line.substr(data + 4);
    }
    return values;
}

// Every key name under HKEY_CURRENT_USER, from `reg export` (UTF-16).
std::set<std::string> registryKeys(const TempDir& dir) {
    const std::string file = dir.at("keys.reg");
    wine({"reg", "export", "HKEY_CURRENT_USER", windowsPath(file), "/y"}, dir.path());
    const std::string bytes = readWholeFile(file);
    std::string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += bytes[i + 1] == 0 ? bytes[i] : '?';  // key names of ours are ASCII
    std::set<std::string> keys;
    size_t start = 0;
    while ((start = text.find("\n[", start)) != std::string::npos) {
        const size_t end = text.find("]\r", start);
        if (end == std::string::npos) break;
        keys.insert(text.substr(start + 2, end - start - 2));
        start = end;
    }
    fs::remove(file);
    return keys;
}

// Every file and folder below the prefix's drive C:, links not followed.
std::set<std::string> driveC() {
    std::set<std::string> paths;
    const fs::path root = std::string(std::getenv("WINEPREFIX")) + "/drive_c";
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, error);
         it != fs::recursive_directory_iterator(); it.increment(error))
        paths.insert(it->path().lexically_relative(root).string());
    return paths;
}

std::set<std::string> difference(const std::set<std::string>& a, const std::set<std::string>& b) {
    std::set<std::string> result;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(result, result.end()));
    return result;
}

// What is on drive C: now and was not `before`, but for what lies below
// `kept` (folders relative to drive C:) and the copy of itself that NSIS's
// uninstaller runs from %TEMP% (~nsuN.tmp\Un.exe: it cannot remove the file
// it runs from; Windows' own clean-up of %TEMP% takes it).
std::set<std::string> leftBehind(const std::set<std::string>& before, const std::vector<std::string>& kept,
                                 const std::string& temp) {
    std::set<std::string> left;
    for (const std::string& path : difference(driveC(), before)) {
        bool keep = false;
        for (const std::string& folder : kept) keep = keep || path.compare(0, folder.size(), folder) == 0;
        const fs::path file = fs::path(path);
        for (const fs::path& folder : {file, file.parent_path()})
            if (folder.filename().string().rfind("~nsu", 0) == 0 && folder.extension() == ".tmp" &&
                folder.parent_path() == fs::path(temp))
                keep = keep || folder == file || file.filename() == "Un.exe";
        if (!keep) left.insert(path);
    }
    return left;
}

std::string listed(const std::set<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) text += "\n  " + path;
    return text;
}

// The files below `folder`, relative to it.
std::set<std::string> filesBelow(const std::string& folder) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files.insert(entry.path().lexically_relative(folder).string());
    return files;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The version vellora.exe reports ("Vellora v0.1 alpha, version 0.1.0").
std::string reportedVersion(const std::string& program, const std::string& folder) {
    const std::string out = withoutLineEnd(wine({program, "--version"}, folder).out);
    const size_t at = out.rfind("version ");
    return at == std::string::npos ? "" : out.substr(at + 8);
}

std::string makeLibrary(const TempDir& dir, const std::string& name, uint8_t red, uint8_t green, uint8_t blue) {
    return makeMusicFolder(dir, 2, [&](const std::string& folder, int) {
        writeJpeg(folder + "/cover.jpg", solidPicture(64, 64, red, green, blue));
    }, name);
}

// The browser's window shows `rgb` in its middle; Escape then ends it.
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
        version = reportedVersion(windowsBuild() + "/vellora.exe", dir.path());
        ASSERT_NE(version, "");
        name = "vellora-" + version + "-win64";
        for (const std::string& package : {name + ".zip", name + "-setup.exe"})
            ASSERT_TRUE(fs::is_regular_file(windowsBuild() + "/" + package))
                << package << ": run scripts/package-windows (its name carries the program's version)";
        ASSERT_EQ(runProcess({"unzip", "-q", windowsBuild() + "/" + name + ".zip", "-d", dir.at("unpacked")},
                             dir.path()).status, 0);
        unpacked = dir.at("unpacked/" + name);
        red = makeLibrary(dir, "red", 255, 0, 0);
    }

    TempDir dir;
    std::string version, name, unpacked, red;
    const uint8_t kRed[3] = {255, 0, 0};
};

TEST_F(WindowsPackages, TheInstallerPutsEverythingInPlaceAndTheUninstallerTakesAllOfItAway) {
    const std::map<std::string, std::string> env = windowsEnvironment(dir.path());
    const std::string appData = env.at("APPDATA"), localAppData = env.at("LOCALAPPDATA");
    const std::set<std::string> filesBefore = driveC();
    const std::set<std::string> keysBefore = registryKeys(dir);

    const auto installing = std::chrono::steady_clock::now();
    ProcessResult install = wine({windowsBuild() + "/" + name + "-setup.exe", "/S"}, dir.path());
    std::printf("silent install under Wine: %.1f s\n", secondsSince(installing));
    ASSERT_EQ(install.status, 0) << install.err;

    // The zip's files, and the uninstaller, in %LOCALAPPDATA%\Programs\Vellora.
    const std::string installed = prefixPath(localAppData + "\\Programs\\Vellora");
    std::set<std::string> expected = filesBelow(unpacked);
    expected.insert("uninstall.exe");
    EXPECT_EQ(filesBelow(installed), expected);
    for (const std::string& file : filesBelow(unpacked))
        EXPECT_EQ(readWholeFile(installed + "/" + file), readWholeFile(unpacked + "/" + file)) << file;
    const std::string link = appData + "\\Microsoft\\Windows\\Start Menu\\Programs\\Vellora.lnk";
    EXPECT_TRUE(fs::is_regular_file(prefixPath(link))) << "no Start menu entry";

    const std::string program = localAppData + "\\Programs\\Vellora\\vellora.exe";
    std::map<std::string, std::string> entry = registryValues(kUninstallKey, dir.path());
    EXPECT_EQ(entry["DisplayName"], "Vellora");
    EXPECT_EQ(entry["DisplayVersion"], version);
    EXPECT_EQ(entry["Publisher"], "The Vellora developers");
    EXPECT_EQ(entry["DisplayIcon"], program);
    const std::string uninstaller = "\"" + localAppData + "\\Programs\\Vellora\\uninstall.exe\"";
    EXPECT_EQ(entry["UninstallString"], uninstaller);
    EXPECT_EQ(entry["QuietUninstallString"], uninstaller + " /S");
    EXPECT_EQ(reportedVersion(prefixPath(program), dir.path()), version);
    for (const std::string& verb : {kFolderVerb, kBackgroundVerb})
        EXPECT_EQ(registryValues(verb, dir.path())["(Default)"], "Browse albums with Vellora") << verb;
    const std::string folderCommand = registryValues(kFolderVerb + "\\command", dir.path())["(Default)"];
    EXPECT_EQ(folderCommand, "\"" + program + "\" \"%1\"");
    EXPECT_EQ(registryValues(kBackgroundVerb + "\\command", dir.path())["(Default)"],
              "\"" + program + "\" \"%V\"");

    // From the Start menu: the working folder is the program's, so the
    // settings come from %APPDATA%\vellora (the red library).
    fs::create_directories(prefixPath(appData + "\\vellora"));
    std::filesystem::copy_file(windowsBuild() + "/tests/vellora-recorder.exe", dir.at("player.exe"));
    const std::string settings = "[vellora]\r\ndefaultdir=" + windowsPath(red) +
                                 "\r\nmusicplayer=" + windowsPath(dir.at("player.exe")) + "\r\nautoplay=false\r\n";
    {
        std::FILE* file = std::fopen(prefixPath(appData + "\\vellora\\vellora.ini").c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs(settings.c_str(), file);
        std::fclose(file);
    }
    int status = -1;
    ChildProcess fromMenu({"wine", "start", "/wait", link}, dir.path(), {"WINEDEBUG=-all"});
    showsThenEnds(kRed, "from the Start menu");
    EXPECT_TRUE(fromMenu.wait(30000, &status) && status == 0) << fromMenu.err();

    // Explorer's verb on a folder: the command line as the registry holds it,
    // the folder in place of %1, replaces the settings' music folder.
    const uint8_t blue[] = {0, 0, 255};
    std::string command = folderCommand;
    const std::string blueLibrary = makeLibrary(dir, "blue library", 0, 0, 255);
    command.replace(command.find("%1"), 2, windowsPath(blueLibrary));
    ChildProcess fromExplorer({"wine", windowsBuild() + "/tests/run-command-line.exe", command}, dir.path(),
                              {"WINEDEBUG=-all"});
    showsThenEnds(blue, "from the folder's menu");
    EXPECT_TRUE(fromExplorer.wait(30000, &status) && status == 0) << fromExplorer.err();

    // The quiet uninstall as "Apps & features" runs it: the uninstaller goes
    // on from a copy of itself in %TEMP%, which is gone once it has ended.
    auto uninstalled = [&] {
        return !fs::exists(installed) && !fs::exists(prefixPath(link)) &&
               registryValues(kUninstallKey, dir.path()).empty();
    };
    const auto uninstalling = std::chrono::steady_clock::now();
    ProcessResult uninstall =
        wine({windowsBuild() + "/tests/run-command-line.exe", entry["QuietUninstallString"]}, dir.path());
    EXPECT_EQ(uninstall.status, 0);
    EXPECT_TRUE(waitFor(uninstalled, 60000)) << "the uninstaller left the program";
    std::printf("silent uninstall under Wine: %.1f s\n", secondsSince(uninstalling));

    // Nothing of ours is left but the user's own: the settings file and the
    // thumbnails the program wrote.
    const std::string root = std::string(std::getenv("WINEPREFIX")) + "/drive_c/";
    const std::string temp = prefixPath(env.at("TEMP")).substr(root.size());
    const std::vector<std::string> userData = {prefixPath(appData + "\\vellora").substr(root.size()),
                                               prefixPath(localAppData + "\\vellora").substr(root.size())};
    EXPECT_EQ(listed(leftBehind(filesBefore, userData, temp)), "") << "files left behind";
    EXPECT_EQ(listed(difference(filesBefore, driveC())), "") << "files taken away";
    EXPECT_EQ(listed(difference(registryKeys(dir), keysBefore)), "") << "keys left behind";
    EXPECT_EQ(readWholeFile(prefixPath(appData + "\\vellora\\vellora.ini")), settings);
    EXPECT_TRUE(fs::is_directory(prefixPath(localAppData + "\\vellora\\thumbnails"))) << "the thumbnails went";

    // Asked to, it takes the user's data too: nothing at all is left.
    install = wine({windowsBuild() + "/" + name + "-setup.exe", "/S"}, dir.path());
    ASSERT_EQ(install.status, 0) << install.err;
    uninstall = wine({windowsBuild() + "/tests/run-command-line.exe", entry["QuietUninstallString"] + " /PURGE"},
                     dir.path());
    EXPECT_TRUE(waitFor([&] { return uninstalled() && !fs::exists(prefixPath(localAppData + "\\vellora")); },
                        60000));
    EXPECT_EQ(listed(leftBehind(filesBefore, {}, temp)), "") << "files left behind";
    EXPECT_EQ(listed(difference(registryKeys(dir), keysBefore)), "") << "keys left behind";
}

TEST_F(WindowsPackages, ThePortableZipRunsWhereItIsUnpacked) {
    EXPECT_EQ(reportedVersion(unpacked + "/vellora.exe", dir.path()), version);
    const std::string readme = readWholeFile(unpacked + "/README.txt");
    for (const char* needed : {"%APPDATA%\\vellora\\vellora.ini", "%LOCALAPPDATA%\\vellora", "Browse albums with Vellora",
                               "uninstall.exe /S /PURGE"})
        EXPECT_NE(readme.find(needed), std::string::npos) << needed;
    // Started in its own folder, it reads the settings file beside it.
    std::ofstream(unpacked + "/vellora.ini") << "[vellora]\r\ndefaultdir=" << windowsPath(red) << "\r\nautoplay=false\r\n";
    ChildProcess browser({"wine", unpacked + "/vellora.exe"}, unpacked, {"WINEDEBUG=-all"});
    showsThenEnds(kRed, "unpacked");
    int status = -1;
    EXPECT_TRUE(browser.wait(30000, &status));
    EXPECT_EQ(status, 0) << browser.err();
}

}  // namespace
