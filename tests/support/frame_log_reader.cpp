#include "support/frame_log_reader.h"

#include <cstdio>
#include <cstring>

#include "support/process.h"

LoggedFrame lastLoggedFrame(const std::string& logPath) {
    LoggedFrame frame;
    const std::string text = readWholeFile(logPath);
    // Lines read: frame N wall draw interval selection position textures
    size_t at = text.rfind("\nframe ");
    if (at == std::string::npos) return frame;
    double wall = 0, draw = 0, interval = 0;
    long number = 0;
    int selection = 0;
    double position = 0;
    int textures = 0;
    if (std::sscanf(text.c_str() + at + 1, "frame %ld %lf %lf %lf %d %lf %d", &number, &wall, &draw, &interval,
                    &selection, &position, &textures) == 7) {
        frame.number = number;
        frame.selection = selection;
        frame.position = position;
        frame.textures = textures;
    }
    return frame;
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
