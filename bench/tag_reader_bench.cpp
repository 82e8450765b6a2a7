// The cost of reading covers out of audio tags in the helper process against
// the same call in the browser's own process: per file, and the helper's
// start. Prints figures; nothing passes or fails on a time.
//   build/bench/tag_reader_bench [FILES]   (600- and 3000-pixel covers)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "library/embedded_cover.h"
#include "library/tag_reader.h"
#include "pictures/hostile_files.h"
#include "pictures/picture_writer.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int measure(int files, int side) {
    const fs::path folder = fs::temp_directory_path() / ("vellora-tag-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::vector<std::string> paths;
    size_t pictureBytes = 0;
    for (int i = 0; i < files; ++i) {
        const std::vector<uint8_t> jpeg = encodeJpeg(makeCoverPicture(side, uint32_t(i + 1)), 88);
        pictureBytes += jpeg.size();
        const std::string bytes = id3Tag(3, id3FrontCover(3, jpeg)) + silentMpegFrames(40);
        paths.push_back((folder / ("track " + std::to_string(i) + ".mp3")).string());
        std::ofstream(paths.back(), std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    }
    std::printf("  %d MP3 files, each a %d-pixel JPEG front cover in its ID3v2 tag (%zu bytes on average), warm cache\n",
                files, side, pictureBytes / size_t(files));
    for (int round = 0; round < 3; ++round) {
        std::vector<double> inProcess, aside;
        std::string failure;
        for (const std::string& path : paths) {
            const auto start = Clock::now();
            if (readEmbeddedCover(path, &failure).empty()) return std::fprintf(stderr, "no cover: %s\n", failure.c_str()), 1;
            inProcess.push_back(msSince(start));
        }
        auto start = Clock::now();
        TagReader reader(VELLORA_TAG_HELPER_BINARY);
        if (reader.read(paths[0], &failure, nullptr).empty()) return std::fprintf(stderr, "%s\n", failure.c_str()), 1;
        const double first = msSince(start);
        for (const std::string& path : paths) {
            start = Clock::now();
            if (reader.read(path, &failure, nullptr).empty()) return std::fprintf(stderr, "%s\n", failure.c_str()), 1;
            aside.push_back(msSince(start));
        }
        std::printf("  round %d: in process %.3f ms a file (median), in the helper %.3f ms a file (median), "
                    "+%.3f ms; the helper's start with its first file %.1f ms\n",
                    round + 1, median(inProcess), median(aside), median(aside) - median(inProcess), first);
    }
    fs::remove_all(folder);
    return 0;
}

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 100;
    for (int side : {600, 3000})
        if (measure(files, side) != 0) return 1;
    return 0;
}
