// The library index at 100,000 albums: how long the callers take to queue a
// first walk's rows and the writer to write them, the file's size per album
// (before and after every album's tags are written), and how long opening it
// and reading every row of the library take, beside the start-up scan of as
// many album folders. Album folders are named as real ones are (about 33
// bytes, "Golden Iron Amber - Album 004711"), at depth 1 and at depth 2
// (20,000 artists of 5 albums).
//
// Usage: library_index_bench [albums, default 100000] [runs, default 7] [FOLDER]
// FOLDER, when given, holds album folders whose start-up scan is timed beside
// (scripts/bench gives the named-100000 library of browser_bench.py).
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "library/albums_loader.h"
#include "library/library_index.h"
#include "platform/platform.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

const char* const kWords[16] = {"Amber", "Blue", "Crimson", "Delta", "Echo",   "Fable", "Golden", "Hollow",
                                "Iron",  "Jade", "Kite",    "Lunar", "Mellow", "Night", "Opal",   "Paper"};

std::string artistName(int artist) {
    return std::string(kWords[artist % 16]) + " " + kWords[artist / 16 % 16] + " " + kWords[artist / 256 % 16];
}

struct Album {
    std::string key, caption;
};

// The albums as a first walk finds them, folder by folder: at depth 1 the
// names of the start-up benchmark, at depth 2 "Artist/Album Title NNNNNN".
std::vector<std::vector<Album>> walk(int albums, int depth, std::vector<std::string>* folders) {
    std::vector<std::vector<Album>> listings;
    if (depth == 1) {
        folders->push_back("");
        listings.emplace_back();
        for (int i = 0; i < albums; ++i) {
            const int n = int((int64_t(i) * 7919) % albums);
            char number[16];
            std::snprintf(number, sizeof number, "%06d", n);
            const std::string name = artistName(n % 4096) + " - Album " + number;
            listings.back().push_back({name, name});
        }
        return listings;
    }
    folders->push_back("");
    for (int artist = 0; artist < albums / 5; ++artist) {
        const std::string name = artistName(artist) + " " + std::to_string(artist);
        folders->push_back(name);
        listings.emplace_back();
        for (int i = 0; i < 5; ++i) {
            const std::string title = "Album Title " + std::to_string(artist * 5 + i);
            listings.back().push_back({name + platform::kSeparator + title, name + " - " + title});
        }
    }
    return listings;
}

uintmax_t filesSize(const std::string& path) {
    uintmax_t total = 0;
    for (const char* end : {"", "-wal", "-shm"}) {
        std::error_code error;
        const uintmax_t size = std::filesystem::file_size(path + end, error);
        if (!error) total += size;
    }
    return total;
}

void measure(const std::string& folder, int albums, int depth, int runs) {
    const std::string path = folder + "/library-depth" + std::to_string(depth) + ".sqlite";
    std::vector<std::string> folders;
    const std::vector<std::vector<Album>> listings = walk(albums, depth, &folders);
    double queueMs = 0, writtenMs = 0;
    {
        LibraryIndex index(path, "/music", depth);
        const Clock::time_point start = Clock::now();
        double queueing = 0;
        for (size_t i = 0; i < listings.size(); ++i) {
            IndexChanges changes;  // a folder's time goes with its albums
            changes.folderListed(folders[i], 1700000000);
            for (const Album& album : listings[i]) changes.albumFound(album.key, album.caption, 1700000000);
            const Clock::time_point queued = Clock::now();
            index.write(std::move(changes));
            queueing += msSince(queued);
        }
        index.flush(600000);
        writtenMs = msSince(start);
        queueMs = queueing;
    }
    const uintmax_t bare = filesSize(path);
    {
        LibraryIndex index(path, "/music", depth);
        for (const std::vector<Album>& listing : listings) {
            IndexChanges changes;
            for (const Album& album : listing)
                changes.tagsRead(album.key, AlbumTags{1990 + int(album.key.size() % 30), "Some Album Artist",
                                                      "The Title of the Album"},
                                 1700000000);
            index.write(std::move(changes));
        }
        index.flush(600000);
    }
    const uintmax_t tagged = filesSize(path);

    // Each way of reading, in turn: every row copied into an IndexedLibrary,
    // and every row handed to a visitor that keeps its own copy of the texts
    // in one buffer, as the library's records do.
    std::vector<double> opens, reads[2], cpu[2];
    size_t rows[2] = {0, 0};
    for (int run = 0; run < runs; ++run) {
        for (int way = 0; way < 2; ++way) {
            const Clock::time_point start = Clock::now();
            LibraryIndex index(path, "/music", depth);
            opens.push_back(msSince(start));
            IndexedLibrary library;
            std::string texts;
            size_t visited = 0;
            const Clock::time_point reading = Clock::now();
            const std::clock_t cpuStart = std::clock();
            if (way == 0) {
                index.read(&library);
                visited = library.albums.size();
            } else {
                index.read(&library, [&](const IndexedAlbumRow& row) {
                    texts.append(row.key).append(1, '\0').append(row.caption).append(1, '\0');
                    ++visited;
                });
            }
            cpu[way].push_back(double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
            reads[way].push_back(msSince(reading));
            rows[way] = visited;
        }
    }
    std::printf("depth %d: %zu listings of %d albums queued in %.1f ms in all (%.2f us a listing), written in %.0f ms\n",
                depth, listings.size(), albums, queueMs, queueMs * 1000 / double(listings.size()), writtenMs);
    std::printf("depth %d: file %.1f MB, %.0f bytes an album; with every album's tags %.1f MB, %.0f bytes an album\n",
                depth, double(bare) / 1e6, double(bare) / albums, double(tagged) / 1e6, double(tagged) / albums);
    std::printf("depth %d: open %.1f ms (median)\n", depth, median(opens));
    const char* const ways[2] = {"into an IndexedLibrary", "through a visitor"};
    for (int way = 0; way < 2; ++way)
        std::printf("depth %d: read %zu rows in the library's order %s: %.1f ms (CPU %.1f ms; median of %d; "
                    "fastest %.1f, slowest %.1f)\n",
                    depth, rows[way], ways[way], median(reads[way]), median(cpu[way]), runs,
                    *std::min_element(reads[way].begin(), reads[way].end()),
                    *std::max_element(reads[way].begin(), reads[way].end()));
}

}  // namespace

int main(int argc, char** argv) {
    const int albums = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    const std::string scanned = argc > 3 ? argv[3] : "";
    const char* base = std::getenv("TMPDIR");
    std::string folder = std::string(base && *base ? base : "/tmp") + "/vellora-index-bench-XXXXXX";
    if (!mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    std::printf("library index, %d albums, files in %s (page cache warm)\n", albums, folder.c_str());
    measure(folder, albums, 1, runs);
    measure(folder, albums, 2, runs);

    // What reading the index stands beside: the start-up scan of as many
    // album folders, named alike (browser_bench.py's named-100000).
    if (!scanned.empty()) {
        std::vector<double> scans, cpu;
        int found = 0;
        for (int run = 0; run < runs; ++run) {
            const Clock::time_point start = Clock::now();
            const std::clock_t cpuStart = std::clock();
            AlbumsLoader library(scanned, "", 1);
            cpu.push_back(double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
            scans.push_back(msSince(start));
            found = library.getAlbumsCount();
        }
        std::printf("depth 1: the start-up scan of %d album folders in %s: %.1f ms (CPU %.1f ms; median of %d)\n",
                    found, scanned.c_str(), median(scans), median(cpu), runs);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
