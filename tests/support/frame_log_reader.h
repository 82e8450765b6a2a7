// Reads the browser's frame log (VELLORA_FRAME_LOG) from a test: the
// selection and the displayed position of each drawn frame, so an end-to-end
// test can see where the row stands without reading pixels.
#pragma once

#include <string>
#include <vector>

struct LoggedFrame {
    long number = 0;      // 0 when no frame was logged yet
    double wallMs = 0;    // wall-clock time of its swap, in ms
    int selection = -1;   // `current`
    double position = -1;
    int textures = -1;    // cover textures that existed when it was drawn
};

// Every drawn frame logged so far, in order.
std::vector<LoggedFrame> loggedFrames(const std::string& logPath);
LoggedFrame lastLoggedFrame(const std::string& logPath);

// Waits up to timeoutMs for a drawn frame at rest on album `selection`
// (position equal to it); the last frame seen either way.
LoggedFrame waitRestingOn(const std::string& logPath, int selection, int timeoutMs = 15000);
