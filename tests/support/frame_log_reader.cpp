#include "support/frame_log_reader.h"

#include <cstdio>

#include "support/process.h"

std::vector<LoggedFrame> loggedFrames(const std::string& logPath) {
    std::vector<LoggedFrame> frames;
    const std::string text = readWholeFile(logPath);
    // Lines read: frame N wall draw interval selection position textures
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        LoggedFrame frame;
        double draw = 0, interval = 0;
        if (text.compare(at, 6, "frame ") == 0 &&
            std::sscanf(text.c_str() + at, "frame %ld %lf %lf %lf %d %lf %d", &frame.number, &frame.wallMs, &draw,
                        &interval, &frame.selection, &frame.position, &frame.textures) == 7)
            frames.push_back(frame);
        at = end + 1;
    }
    return frames;
}

LoggedFrame lastLoggedFrame(const std::string& logPath) {
    const std::vector<LoggedFrame> frames = loggedFrames(logPath);
    return frames.empty() ? LoggedFrame() : frames.back();
}

LoggedFrame waitRestingOn(const std::string& logPath, int selection, int timeoutMs) {
    LoggedFrame frame;
    waitFor(
        [&] {
            frame = lastLoggedFrame(logPath);
            return frame.selection == selection && frame.position == double(selection);
        },
        timeoutMs);
    return frame;
}
