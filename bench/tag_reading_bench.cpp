// How long the background reading of tags takes for a library read the first
// time: N album folders (10,000 by default), each with two MP3 files whose
// ID3v2.3 tags hold a year, an artist and an album, read by the browser's own
// TagReading (one helper process, one thread at a lower priority, the
// newest file's time read too, as for a library the index has just met),
// with nothing holding it back, as with the browser at rest.
//
// Usage: tag_reading_bench [albums, default 10000]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "library/tag_reading.h"
#include "pictures/hostile_files.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const fs::path music = fs::temp_directory_path() / ("vellora-tag-reading-bench-" + std::to_string(::getpid()));
    std::vector<TagJob> jobs;
    const std::string sound = silentMpegFrames(40);
    for (int i = 0; i < count; ++i) {
        const std::string key = "Album " + std::to_string(i);
        fs::create_directories(music / key);
        const std::string text(1, '\0');  // ISO-8859-1 text frames
        const std::string tag = id3Tag(3, id3Frame(3, "TYER", text + std::to_string(1950 + i % 70)) +
                                              id3Frame(3, "TPE1", text + "Artist " + std::to_string(i % 997)) +
                                              id3Frame(3, "TALB", text + key));
        for (const char* track : {"01.mp3", "02.mp3"})
            std::ofstream(music / key / track, std::ios::binary) << tag << sound;
        jobs.push_back({key, false, 0, true});
    }
    TagReading reading(music.string(), VELLORA_TAG_HELPER_BINARY);
    const Clock::time_point start = Clock::now();
    reading.want(jobs);
    size_t read = 0, withYear = 0;
    while (read < jobs.size()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        for (const TagResult& result : reading.take()) {
            ++read;
            withYear += result.album.tags.year != 0 && result.added != 0;
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%d albums: tags read in %.1f s (%.0f albums/s), %zu with a year and a time\n", count, seconds,
                count / seconds, withYear);
    fs::remove_all(music);
    return 0;
}
