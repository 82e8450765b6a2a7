#include "support/wine_run.h"

#include <cstdlib>

#include "support/photo.h"

std::string windowsBuild() {
    const char* folder = std::getenv("VELLORA_WINDOWS_BUILD");
    return folder ? folder : "";
}

std::string windowsPath(const std::string& path) {
    std::string result = "Z:" + path;
    for (char& c : result)
        if (c == '/') c = '\\';
    return result;
}

bool middleShows(unsigned long window, const uint8_t* rgb) {
    const Photo photo = photograph(window);
    return photo.shows(photo.width / 2, photo.height / 2, rgb, 55);
}
