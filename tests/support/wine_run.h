// The Windows build under Wine, seen from the Linux tests: where the build
// is, paths as the Windows programs see them, and what a window's middle
// shows. WINEPREFIX names a ready prefix (scripts/test-windows makes a fresh
// one for each run).
#pragma once

#include <cstdint>
#include <string>

constexpr int kWineWait = 60000;  // Wine starts slowly in a fresh prefix
constexpr const char* kWindowsCaption = "Vellora v0.1 alpha";

// $VELLORA_WINDOWS_BUILD: the folder with vellora.exe, SDL.dll, the packages
// and tests/ (the recorder and run-command-line.exe); "" when not set.
std::string windowsBuild();

// A Linux path as the Windows programs see it through Wine's Z: drive.
std::string windowsPath(const std::string& path);

// The middle of the window shows `rgb` (within the tolerance of a scaled,
// lit cover).
bool middleShows(unsigned long window, const uint8_t* rgb);
