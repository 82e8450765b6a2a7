// The library's walks on a network share: a music folder of artist folders of
// albums (depth 2) behind bench/slow_folder_shim.c, which makes each open,
// opendir and stat below it wait as a round trip to a share would. Printed:
//   - the whole walk one folder at a time and knowing nothing, as the scan
//     walked before (the same calls: a listing per folder);
//   - the whole walk several folders at once, knowing nothing (a first scan);
//   - a look at every folder's time that finds nothing changed, and a
//     re-listing of the music folder given the times (what a library no
//     watch follows costs every rescaninterval seconds);
//   - the same after an album was added to one artist: the look finds that
//     artist, and listing it again finds the album.
// The folders' times are set in the past first, as a library's on a share are.
//
// Usage (scripts/bench runs it so):
//   share_bench make FOLDER [ARTISTS [ALBUMS]]    makes the music folder (2000 x 5)
//   LD_PRELOAD=build/bench/libslow_folder_shim.so VELLORA_SLOW_FOLDER=FOLDER share_bench walk FOLDER
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "library/albums_loader.h"
#include "library/folder_rules.h"
#include "library/library_walk.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void setOld(const std::string& path) {
    const struct timespec times[2] = {{1600000000, 0}, {1600000000, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

int make(const std::string& music, int artists, int albums) {
    if (mkdir(music.c_str(), 0755) != 0) {
        std::perror(("share_bench: mkdir " + music).c_str());
        return 1;
    }
    char name[96];
    for (int a = 0; a < artists; ++a) {
        std::snprintf(name, sizeof name, "/The Artist Called Number %05d", a);
        const std::string artist = music + name;
        mkdir(artist.c_str(), 0755);
        for (int b = 0; b < albums; ++b) {
            std::snprintf(name, sizeof name, "/Album Title %02d of Artist %05d", b, a);
            mkdir((artist + name).c_str(), 0755);
        }
        setOld(artist);
    }
    setOld(music);
    std::printf("made %d artist folders of %d albums in %s\n", artists, albums, music.c_str());
    return 0;
}

size_t albumCount(const FolderMemory& memory) {
    size_t count = 0;
    albumsKnown(memory, 2, "", [&](std::string_view, std::string_view) { ++count; });
    return count;
}

int walk(const std::string& music) {
    const char* slow = std::getenv("VELLORA_SLOW_FOLDER");
    const char* delay = std::getenv("VELLORA_SLOW_DELAY_MS");
    std::printf("music folder %s, depth 2; %s\n", music.c_str(),
                slow ? ("every open, opendir and stat below " + std::string(slow) + " waits " +
                        (delay ? delay : "20") + " ms")
                           .c_str()
                     : "no slow folder shim (a local disk)");

    FolderMemory serial;
    Clock::time_point start = Clock::now();
    walkFolders(music, 2, "", serial, 1);
    const double serialSeconds = secondsSince(start);
    std::printf("  whole walk, one folder at a time, knowing nothing (the scan before): %7.2f s  %zu folders, %zu albums\n",
                serialSeconds, serial.size(), albumCount(serial));

    FolderMemory memory;
    start = Clock::now();
    walkFolders(music, 2, "", memory, kListingThreads);
    const double parallelSeconds = secondsSince(start);
    std::printf("  whole walk, %d folders at once, knowing nothing (a first scan):    %7.2f s  %.2f of the walk before\n",
                kListingThreads, parallelSeconds, parallelSeconds / serialSeconds);

    start = Clock::now();
    std::vector<std::string> changed = foldersChanged(music, timesKnown(memory), kListingThreads);
    double lookSeconds = secondsSince(start);
    std::printf("  a look at every folder's time, nothing changed:                     %7.2f s  %.2f of the walk before, %zu changed\n",
                lookSeconds, lookSeconds / serialSeconds, changed.size());
    start = Clock::now();
    const AlbumChange none = walkAgain(music, 2, "", memory);
    const double relistSeconds = secondsSince(start);
    std::printf("  the music folder listed again given the times, nothing changed:     %7.2f s  %.2f of the walk before, %zu albums changed\n",
                relistSeconds, relistSeconds / serialSeconds, none.added.size() + none.gone.size());

    // One album added to an artist in the middle.
    const std::string artist = memory.rbegin()->first;  // the last artist's key
    const std::string added = pathOfKey(music, keyBelow(artist, "Album added by share_bench"));
    mkdir(added.c_str(), 0755);
    start = Clock::now();
    changed = foldersChanged(music, timesKnown(memory), kListingThreads);
    lookSeconds = secondsSince(start);
    AlbumChange change;
    for (const std::string& folder : changed) {
        const AlbumChange found = walkAgain(music, 2, folder, memory);
        change.added.insert(change.added.end(), found.added.begin(), found.added.end());
    }
    const double foundSeconds = secondsSince(start);
    std::printf("  an album added: the look finds %zu folder(s) in %.2f s, listed again: %zu album(s) added in %.2f s\n",
                changed.size(), lookSeconds, change.added.size(), foundSeconds);
    rmdir(added.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "make") == 0)
        return make(argv[2], argc > 3 ? std::atoi(argv[3]) : 2000, argc > 4 ? std::atoi(argv[4]) : 5);
    if (argc >= 3 && std::strcmp(argv[1], "walk") == 0) return walk(argv[2]);
    std::fprintf(stderr, "usage: share_bench make FOLDER [ARTISTS [ALBUMS]] | share_bench walk FOLDER\n");
    return 2;
}
