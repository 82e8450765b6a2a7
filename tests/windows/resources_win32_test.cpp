// What Windows reads from the programs: the version resource of vellora.exe
// and vellora-tags.exe (the package's version), their icon (the one the icon
// drawer draws), and the browser's manifest.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "icon/icon_drawing.h"

namespace {

// A program of the build, beside the tests' folder.
std::wstring builtProgram(const wchar_t* name) {
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self, length);
    folder.resize(folder.find_last_of(L'\\'));       // tests
    folder.resize(folder.find_last_of(L'\\') + 1);  // the build
    return folder + name;
}

// A text of the version resource, as UTF-8 (ours are ASCII).
std::string versionText(const std::vector<char>& info, const std::wstring& name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), (L"\\StringFileInfo\\040904B0\\" + name).c_str(),
                        reinterpret_cast<void**>(&value), &length) || !value)
        return "";
    return std::string(value, value + wcslen(value));
}

// The icon's pixels as RGB, top row first; empty when Windows gives none.
std::vector<uint8_t> iconPixels(HICON icon, int size) {
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info)) return {};
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size;
    format.bmiHeader.biHeight = -size;  // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> bgra(size_t(size) * size * 4);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, info.hbmColor, 0, size, bgra.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    if (rows != size) return {};
    std::vector<uint8_t> rgb;
    for (size_t i = 0; i < bgra.size(); i += 4) rgb.insert(rgb.end(), {bgra[i + 2], bgra[i + 1], bgra[i]});
    return rgb;
}

}  // namespace

TEST(WindowsResources, BothProgramsCarryThePackageVersionAndTheDrawnIcon) {
    int major = -1, minor = -1, patch = -1;
    ASSERT_EQ(std::sscanf(VELLORA_VERSION, "%d.%d.%d", &major, &minor, &patch), 3);
    for (const wchar_t* name : {L"vellora.exe", L"vellora-tags.exe"}) {
        const std::wstring program = builtProgram(name);
        SCOPED_TRACE(std::string(program.begin(), program.end()));
        DWORD unused = 0;
        std::vector<char> info(GetFileVersionInfoSizeW(program.c_str(), &unused));
        ASSERT_FALSE(info.empty()) << "no version resource";
        ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, DWORD(info.size()), info.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed);
        EXPECT_EQ(fixed->dwFileVersionMS, DWORD(MAKELONG(minor, major)));
        EXPECT_EQ(fixed->dwFileVersionLS, DWORD(MAKELONG(0, patch)));
        EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
        const std::string file(program.begin() + program.find_last_of(L'\\') + 1, program.end());
        for (const auto& text : {std::make_pair(L"ProductVersion", VELLORA_VERSION), {L"FileVersion", VELLORA_VERSION},
                                 {L"ProductName", "Vellora"}, {L"CompanyName", "The Vellora developers"},
                                 {L"OriginalFilename", file.c_str()}})
            EXPECT_EQ(versionText(info, text.first), text.second);

        // Small sizes are bitmaps in the icon, 256 a PNG: Windows reads both.
        HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
        for (int size : {16, 48, 256}) {
            HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
            const std::vector<uint8_t> shown = iconPixels(icon, size);
            if (icon) DestroyIcon(icon);
            const RgbPicture drawn = drawIcon(size);
            ASSERT_EQ(shown.size(), drawn.rgb.size()) << "no " << size << "-pixel icon";
            int differing = 0;
            for (size_t i = 0; i < shown.size(); ++i) differing += std::abs(int(shown[i]) - int(drawn.rgb[i])) > 2;
            EXPECT_EQ(differing, 0) << size << " pixels a side";
        }
        FreeLibrary(module);
    }
}

// The manifest as Windows' own loader reads it when the browser starts: it
// declares the browser aware of each monitor's pixel density, so that
// Windows does not stretch a blurred window on a dense screen. (Wine takes
// every window as aware, so the window itself cannot tell.)
TEST(WindowsResources, TheBrowsersManifestDeclaresItAwareOfEachMonitorsPixelDensity) {
    const std::wstring program = builtProgram(L"vellora.exe");
    ACTCTXW request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = program.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);  // the manifest a process starts with
    HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << "no manifest Windows can read, error " << GetLastError();
    auto setting = [&](const wchar_t* space, const wchar_t* name) {
        wchar_t value[256] = {};
        SIZE_T length = 0;
        if (!QueryActCtxSettingsW(0, context, space, name, value, 256, &length)) return std::wstring();
        return std::wstring(value);
    };
    EXPECT_TRUE(setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness") ==
                L"PerMonitorV2, PerMonitor");
    EXPECT_TRUE(setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware") == L"true/pm")
        << "what systems before Windows 10 1607 read";
    ReleaseActCtx(context);
}
