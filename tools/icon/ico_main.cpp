// Writes Vellora's icon as one Windows .ico with every size of the icon
// theme, for the resources of vellora.exe and vellora-tags.exe and for the
// installer. The Windows build compiles it with the build machine's compiler.
//   vellora-ico OUTPUT.ico
#include <cstdio>
#include <vector>

#include "icon/ico_file.h"
#include "icon/icon_drawing.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vellora-ico OUTPUT.ico\n");
        return 2;
    }
    std::vector<RgbPicture> pictures;
    for (int size : kIconSizes) pictures.push_back(drawIcon(size));
    const std::vector<uint8_t> bytes = icoFileBytes(pictures);
    std::FILE* file = bytes.empty() ? nullptr : std::fopen(argv[1], "wb");
    const bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file && std::fclose(file) != 0) file = nullptr;
    if (!written || !file) {
        std::fprintf(stderr, "vellora-ico: cannot write %s\n", argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
