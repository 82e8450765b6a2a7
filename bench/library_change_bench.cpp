// What a library change costs the frame thread in a big library: an album
// folder added to (and removed from) a music folder of 100,000 albums, at
// depth 1 and at depth 2 (10,000 artists of 10 albums; an album added to an
// artist, and an artist added), followed by the real watch on its own thread
// and taken by the frame loop's own hook. Every call of the hook is timed;
// the figure is the call that made the change (the list, the per-album
// tables, the selection, and the change itself released).
//
// Usage: library_change_bench [albums, default 100000] [rounds, default 5]
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "app/library_update.h"
#include "library/albums_loader.h"
#include "library/library_watch.h"
#include "texture/gl_texture.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

std::string albumName(int i) {
    static const char* const kWords[16] = {"Amber", "Blue",  "Crimson", "Delta", "Echo",   "Fable", "Golden", "Hollow",
                                           "Iron",  "Jade",  "Kite",    "Lunar", "Mellow", "Night", "Opal",   "Paper"};
    char name[64];
    const int artist = i % 4096;
    std::snprintf(name, sizeof name, "%s %s %s - Album %06d", kWords[artist % 16], kWords[artist / 16 % 16],
                  kWords[artist / 256], i);
    return name;
}

std::string artistName(int i) {
    char name[64];
    std::snprintf(name, sizeof name, "The Artist Called Number %06d", i);
    return name;
}

void makeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0755) != 0) {
        std::perror(("library_change_bench: mkdir " + path).c_str());
        std::exit(1);
    }
}

// Runs the frame loop's hook every millisecond until it makes a change (or
// 30 s pass); returns the time of the call that made it, in ms (-1: none).
double frameWorkForTheChange() {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline) {
        const Clock::time_point start = Clock::now();
        const bool changed = applyLibraryChanges();
        const double took = msSince(start);
        if (changed) return took;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -1;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

void printRuns(const char* what, const std::vector<double>& runs) {
    std::printf("  %-44s median %7.2f ms   runs:", what, median(runs));
    for (double run : runs) std::printf(" %.2f", run);
    std::printf("\n");
}

// The library at `music` as the browser holds it, watched; `change` and
// `undo` are made `rounds` times each, the frame thread's work timed.
void benchChanges(const std::string& music, int depth, int rounds, const char* what,
                  const std::function<void(int)>& change, const std::function<void(int)>& undo) {
    const Clock::time_point scanStart = Clock::now();
    albums = new AlbumsLoader(music, "", depth);
    const double scanMs = msSince(scanStart);
    textures = new glTexture[size_t(albums->getAlbumsCount())]();
    current = albums->getAlbumsCount() / 2;
    position = float(current);
    // As the browser starts it: from what the scan saw.
    libraryWatch = new LibraryWatch(music, depth, -1, 0, albums->takeFoldersSeen());
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));  // the watch starts on its own thread
    std::printf("%d albums, depth %d (scan %.0f ms): %s\n", albums->getAlbumsCount(), depth, scanMs, what);
    std::vector<double> added, removed;
    for (int round = 0; round < rounds; ++round) {
        change(round);
        added.push_back(frameWorkForTheChange());
        undo(round);
        removed.push_back(frameWorkForTheChange());
    }
    printRuns("frame thread, the album added:", added);
    printRuns("frame thread, the album removed:", removed);
    delete libraryWatch;
    libraryWatch = nullptr;
    delete[] textures;
    textures = nullptr;
    delete albums;
    albums = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    char base[] = "/tmp/vellora-change-bench-XXXXXX";
    if (!mkdtemp(base)) {
        std::perror("library_change_bench: mkdtemp");
        return 1;
    }
    const std::string flat = std::string(base) + "/flat";
    makeFolder(flat);
    for (int i = 0; i < count; ++i) makeFolder(flat + "/" + albumName((i * 7919) % count));
    // Named to fall in the middle of the row, before the selection.
    const auto middle = [&](int round) { return flat + "/Iron Amber Amber - Album added " + std::to_string(round); };
    benchChanges(flat, 1, rounds, "an album folder added to the music folder",
                 [&](int round) { makeFolder(middle(round)); },
                 [&](int round) { std::filesystem::remove(middle(round)); });
    std::filesystem::remove_all(flat);

    const std::string deep = std::string(base) + "/deep";
    makeFolder(deep);
    const int artists = std::max(count / 10, 1);
    for (int a = 0; a < artists; ++a) {
        const std::string artist = deep + "/" + artistName(a);
        makeFolder(artist);
        for (int b = 0; b < 10; ++b) makeFolder(artist + "/Album Title " + std::to_string(b));
    }
    const std::string someArtist = deep + "/" + artistName(artists / 3);
    benchChanges(deep, 2, rounds, "an album folder added to an artist's folder",
                 [&](int round) { makeFolder(someArtist + "/Album added " + std::to_string(round)); },
                 [&](int round) { std::filesystem::remove(someArtist + "/Album added " + std::to_string(round)); });
    const auto newArtist = [&](int round) { return deep + "/The Artist Called Number added " + std::to_string(round); };
    benchChanges(deep, 2, rounds, "an artist's folder with an album added",
                 [&](int round) {
                     const std::string staging = std::string(base) + "/staging";
                     makeFolder(staging);
                     makeFolder(staging + "/Album");
                     std::filesystem::rename(staging, newArtist(round));  // whole at once, as a move makes it
                 },
                 [&](int round) { std::filesystem::remove_all(newArtist(round)); });
    std::filesystem::remove_all(base);
    return 0;
}
