// Draws Vellora's icon as PNG files of the hicolor sizes, the same shapes as
// data/vellora.svg: three covers over a mirroring floor on a dark square.
//   vellora-icon OUTPUT_FOLDER    writes OUTPUT_FOLDER/NxN/vellora.png
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "icon/icon_drawing.h"
#include "pictures/picture_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vellora-icon OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string out = argv[1];
    mkdir(out.c_str(), 0755);
    for (int size : kIconSizes) {
        const std::string folder = out + "/" + std::to_string(size) + "x" + std::to_string(size);
        mkdir(folder.c_str(), 0755);
        std::string error;
        if (!writePng(folder + "/vellora.png", drawIcon(size), PngKind::Rgb, 8, 255, &error)) {
            std::fprintf(stderr, "vellora-icon: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
