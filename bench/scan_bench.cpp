// How long the start-up scan of a large music folder takes, beside a bare
// opendir/readdir loop over the same folder, and proof that the scan opens or
// examines no album folder.
//
// The proof counts calls: this file defines opendir, open, openat, stat, lstat,
// fstatat, statx (and their 64-bit and old glibc __xstat names), each counting
// and then forwarding to the C library's own through dlsym(RTLD_NEXT). They
// replace the C library's for the browser code linked into this program. A
// self-check opens an album folder on purpose through each of them first, so a
// zero below is a real zero and not a wrapper that is never called.
//
// Then the scan of an Artist/Album tree (depth 2, 10,000 artists x 10 albums,
// names of realistic length) beside a bare two-level opendir/readdir walk.
//
// Usage: scan_bench [largest folder count, default 100000; the tree needs 100000]
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "library/albums_loader.h"
#include "platform/platform.h"

// ------------------------------------------------------------ call counting
namespace {

enum Call { kOpendir, kOpen, kOpenat, kStat, kLstat, kFstatat, kStatx, kCallKinds };
const char* const kCallNames[kCallKinds] = {"opendir", "open", "openat", "stat", "lstat", "fstatat", "statx"};

std::atomic<bool> counting{false};
std::string musicPrefix;  // the music folder + "/": what lies beyond it is an album folder
std::atomic<long> calls[kCallKinds];
std::atomic<long> albumCalls[kCallKinds];

// A path beyond the music folder, or relative to a folder descriptor, is an
// album folder (or something inside one).
bool touchesAlbum(int dirfd, const char* path) {
    if (!path) return false;
    if (path[0] != '/') return dirfd != AT_FDCWD;
    return std::strncmp(path, musicPrefix.c_str(), musicPrefix.size()) == 0 && path[musicPrefix.size()] != 0;
}

void count(Call call, int dirfd, const char* path) {
    if (!counting.load(std::memory_order_relaxed)) return;
    ++calls[call];
    if (touchesAlbum(dirfd, path)) ++albumCalls[call];
}

void resetCounts() {
    for (int i = 0; i < kCallKinds; ++i) calls[i] = albumCalls[i] = 0;
}

template <typename Function>
Function real(const char* name) {
    void* symbol = dlsym(RTLD_NEXT, name);
    if (!symbol) {
        std::fprintf(stderr, "scan_bench: no %s in the C library\n", name);
        std::abort();
    }
    return reinterpret_cast<Function>(symbol);
}

}  // namespace

// The wrappers take the C library's names through asm labels, which keeps
// them clear of the declarations in the system headers.
extern "C" {
DIR* counted_opendir(const char* path) __asm__("opendir");
int counted_open(const char* path, int flags, ...) __asm__("open");
int counted_open64(const char* path, int flags, ...) __asm__("open64");
int counted_openat(int dirfd, const char* path, int flags, ...) __asm__("openat");
int counted_openat64(int dirfd, const char* path, int flags, ...) __asm__("openat64");
int counted_stat(const char* path, void* buf) __asm__("stat");
int counted_stat64(const char* path, void* buf) __asm__("stat64");
int counted_lstat(const char* path, void* buf) __asm__("lstat");
int counted_lstat64(const char* path, void* buf) __asm__("lstat64");
int counted_fstatat(int dirfd, const char* path, void* buf, int flags) __asm__("fstatat");
int counted_fstatat64(int dirfd, const char* path, void* buf, int flags) __asm__("fstatat64");
int counted_xstat(int version, const char* path, void* buf) __asm__("__xstat");
int counted_lxstat(int version, const char* path, void* buf) __asm__("__lxstat");
int counted_fxstatat(int version, int dirfd, const char* path, void* buf, int flags) __asm__("__fxstatat");
int counted_statx(int dirfd, const char* path, int flags, unsigned mask, void* buf) __asm__("statx");
}

namespace {
mode_t modeArgument(int flags, va_list arguments) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t) : 0;
}
}  // namespace

DIR* counted_opendir(const char* path) {
    static auto forward = real<DIR* (*)(const char*)>("opendir");
    count(kOpendir, AT_FDCWD, path);
    return forward(path);
}

#define VELLORA_COUNTED_OPEN(wrapper, name)                                        \
    int wrapper(const char* path, int flags, ...) {                                \
        static auto forward = real<int (*)(const char*, int, ...)>(name);          \
        va_list arguments;                                                         \
        va_start(arguments, flags);                                                \
        mode_t mode = modeArgument(flags, arguments);                              \
        va_end(arguments);                                                         \
        count(kOpen, AT_FDCWD, path);                                              \
        return forward(path, flags, mode);                                         \
    }
VELLORA_COUNTED_OPEN(counted_open, "open")
VELLORA_COUNTED_OPEN(counted_open64, "open64")

#define VELLORA_COUNTED_OPENAT(wrapper, name)                                      \
    int wrapper(int dirfd, const char* path, int flags, ...) {                     \
        static auto forward = real<int (*)(int, const char*, int, ...)>(name);     \
        va_list arguments;                                                         \
        va_start(arguments, flags);                                                \
        mode_t mode = modeArgument(flags, arguments);                              \
        va_end(arguments);                                                         \
        count(kOpenat, dirfd, path);                                               \
        return forward(dirfd, path, flags, mode);                                  \
    }
VELLORA_COUNTED_OPENAT(counted_openat, "openat")
VELLORA_COUNTED_OPENAT(counted_openat64, "openat64")

#define VELLORA_COUNTED_STAT(wrapper, name, kind)                                  \
    int wrapper(const char* path, void* buf) {                                     \
        static auto forward = real<int (*)(const char*, void*)>(name);             \
        count(kind, AT_FDCWD, path);                                               \
        return forward(path, buf);                                                 \
    }
VELLORA_COUNTED_STAT(counted_stat, "stat", kStat)
VELLORA_COUNTED_STAT(counted_stat64, "stat64", kStat)
VELLORA_COUNTED_STAT(counted_lstat, "lstat", kLstat)
VELLORA_COUNTED_STAT(counted_lstat64, "lstat64", kLstat)

#define VELLORA_COUNTED_FSTATAT(wrapper, name)                                     \
    int wrapper(int dirfd, const char* path, void* buf, int flags) {               \
        static auto forward = real<int (*)(int, const char*, void*, int)>(name);   \
        count(kFstatat, dirfd, path);                                              \
        return forward(dirfd, path, buf, flags);                                   \
    }
VELLORA_COUNTED_FSTATAT(counted_fstatat, "fstatat")
VELLORA_COUNTED_FSTATAT(counted_fstatat64, "fstatat64")

int counted_xstat(int version, const char* path, void* buf) {
    static auto forward = real<int (*)(int, const char*, void*)>("__xstat");
    count(kStat, AT_FDCWD, path);
    return forward(version, path, buf);
}

int counted_lxstat(int version, const char* path, void* buf) {
    static auto forward = real<int (*)(int, const char*, void*)>("__lxstat");
    count(kLstat, AT_FDCWD, path);
    return forward(version, path, buf);
}

int counted_fxstatat(int version, int dirfd, const char* path, void* buf, int flags) {
    static auto forward = real<int (*)(int, int, const char*, void*, int)>("__fxstatat");
    count(kFstatat, dirfd, path);
    return forward(version, dirfd, path, buf, flags);
}

int counted_statx(int dirfd, const char* path, int flags, unsigned mask, void* buf) {
    static auto forward = real<int (*)(int, const char*, int, unsigned, void*)>("statx");
    count(kStatx, dirfd, path);
    return forward(dirfd, path, flags, mask, buf);
}

// ------------------------------------------------------------------ the bench
namespace {

using Clock = std::chrono::steady_clock;

struct Times {
    double wall;  // ms
    double cpu;   // ms of this process's processor time, less disturbed by other load
};

double cpuMilliseconds() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

template <typename Run>
Times timed(Run run) {
    Clock::time_point wallStart = Clock::now();
    double cpuStart = cpuMilliseconds();
    run();
    return {std::chrono::duration<double, std::milli>(Clock::now() - wallStart).count(), cpuMilliseconds() - cpuStart};
}

Times median(std::vector<Times> runs) {
    std::vector<double> wall, cpu;
    for (const Times& run : runs) {
        wall.push_back(run.wall);
        cpu.push_back(run.cpu);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

// What the scan is compared with: list the folder, keep nothing.
long bareReaddir(const std::string& folder) {
    DIR* listing = opendir(folder.c_str());
    if (!listing) return -1;
    long entries = 0;
    while (readdir(listing)) ++entries;
    closedir(listing);
    return entries;
}

// `albums` empty album folders with names of realistic length, plus a few
// files and a hidden folder.
void makeMusicFolder(const std::string& music, int albums) {
    std::filesystem::create_directory(music);
    char name[64];
    for (int i = 0; i < albums; ++i) {
        // About 33 bytes, as real album names are: beyond what a string keeps in
        // its own buffer. Artist names of three words from sixteen, a few
        // dozen albums each at the largest size, so names often share their
        // first 16 bytes, as names of one artist do.
        static const char* const kWords[16] = {"Amber", "Blue",  "Crimson", "Delta", "Echo",  "Fable", "Golden", "Hollow",
                                               "Iron",  "Jade",  "Kite",    "Lunar", "Mellow", "Night", "Opal",  "Paper"};
        const int n = (i * 7919) % albums;  // not in creation order
        const int artist = n % 4096;
        std::snprintf(name, sizeof name, "/%s %s %s - Album %06d", kWords[artist % 16], kWords[artist / 16 % 16],
                      kWords[artist / 256], n);
        if (mkdir((music + name).c_str(), 0755) != 0) {
            std::perror("scan_bench: mkdir");
            std::exit(1);
        }
    }
    for (const char* file : {"/cover.jpg", "/notes.txt", "/playlist.m3u"}) {
        FILE* out = std::fopen((music + file).c_str(), "w");
        if (out) std::fclose(out);
    }
    std::filesystem::create_directory(music + "/.hidden");
}

void printCounts(const char* what) {
    std::printf("  calls %s:", what);
    for (int i = 0; i < kCallKinds; ++i) std::printf(" %s %ld (albums %ld)", kCallNames[i], calls[i].load(), albumCalls[i].load());
    std::printf("\n");
}

// Touches an album folder on purpose through every wrapper; false when a
// counter stays at zero, which would make the scan's zeros meaningless.
bool wrappersAreWired(const std::string& album) {
    resetCounts();
    counting = true;
    struct stat info;
    if (DIR* folder = opendir(album.c_str())) closedir(folder);
    int fd = open(album.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) close(fd);
    fd = openat(AT_FDCWD, album.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) close(fd);
    stat(album.c_str(), &info);
    lstat(album.c_str(), &info);
    fstatat(AT_FDCWD, album.c_str(), &info, 0);
    struct statx extended;
    statx(AT_FDCWD, album.c_str(), 0, STATX_TYPE, &extended);
    platform::FindEntry entry;
    platform::findClose(platform::findFirst(album, &entry));  // the browser's own listing
    counting = false;
    printCounts("when an album folder is opened on purpose");
    bool wired = true;
    for (int i = 0; i < kCallKinds; ++i) {
        if (albumCalls[i] == 0) {
            std::printf("  WARNING: the %s counter did not move\n", kCallNames[i]);
            wired = false;
        }
    }
    return wired;
}

bool benchOneSize(const std::string& base, int albums) {
    std::string music = base + "/music-" + std::to_string(albums);
    makeMusicFolder(music, albums);
    musicPrefix = music + "/";
    bareReaddir(music);  // warm the caches before any timing

    // The three are interleaved, five rounds, so a change of load on the
    // machine falls on all of them alike.
    std::vector<Times> scans, bares, listings;
    for (int round = 0; round < 5; ++round) {
        std::unique_ptr<AlbumsLoader> library;  // released after the timing: only the scan is timed
        scans.push_back(timed([&] { library.reset(new AlbumsLoader(music, "player")); }));
        if (library->getAlbumsCount() != albums) std::printf("  WRONG COUNT %d\n", library->getAlbumsCount());
        library.reset();
        bares.push_back(timed([&] { bareReaddir(music); }));
        listings.push_back(timed([&] {
            platform::FindEntry entry;
            platform::FindHandle handle = platform::findFirst(music, &entry);
            while (platform::findNext(handle, &entry) == 0) {
            }
            platform::findClose(handle);
        }));
    }
    Times scan = median(scans), bare = median(bares), listing = median(listings);
    std::printf("%7d albums (medians of 5)\n", albums);
    std::printf("  wall: scan %8.2f ms   bare readdir %8.2f ms   ratio %5.2f   (sorted listing alone %8.2f ms)\n",
                scan.wall, bare.wall, scan.wall / bare.wall, listing.wall);
    std::printf("  cpu:  scan %8.2f ms   bare readdir %8.2f ms   ratio %5.2f   (sorted listing alone %8.2f ms)\n",
                scan.cpu, bare.cpu, scan.cpu / bare.cpu, listing.cpu);

    resetCounts();
    counting = true;
    AlbumsLoader library(music, "player");
    counting = false;
    printCounts("during the scan");
    long albumTouches = 0;
    for (int i = 0; i < kCallKinds; ++i) albumTouches += albumCalls[i];
    std::printf("  album folders opened or examined during the scan: %ld\n", albumTouches);

    bool wired = wrappersAreWired(library.getAlbumFolder(0));
    std::filesystem::remove_all(music);
    return wired && albumTouches == 0;
}

// --------------------------------------------------------- two-level scan
// Artist/Album trees with names of realistic length (about 33 bytes, beyond
// what a string keeps in its own buffer).
std::string artistName(int i) {
    char name[64];
    std::snprintf(name, sizeof name, "The Artist Called Number %06d", i);
    return name;
}

std::string albumName(int artist, int album) {
    char name[64];
    std::snprintf(name, sizeof name, "Album Title %02d of Artist %06d", album, artist);
    return name;
}

void makeArtistTree(const std::string& music, int artists, int albumsEach) {
    std::filesystem::create_directory(music);
    for (int a = 0; a < artists; ++a) {
        const int artist = (a * 7919) % artists;  // not in creation order
        const std::string artistFolder = music + "/" + artistName(artist);
        if (mkdir(artistFolder.c_str(), 0755) != 0) {
            std::perror("scan_bench: mkdir");
            std::exit(1);
        }
        for (int b = 0; b < albumsEach; ++b) mkdir((artistFolder + "/" + albumName(artist, b)).c_str(), 0755);
    }
    std::filesystem::create_directory(music + "/.hidden");
}

// What the deep scan is compared with: the same walk, keeping nothing.
long bareTwoLevelWalk(const std::string& music) {
    DIR* top = opendir(music.c_str());
    if (!top) return -1;
    long entries = 0;
    while (dirent* artist = readdir(top)) {
        if (artist->d_name[0] == '.') continue;
        DIR* inner = opendir((music + "/" + artist->d_name).c_str());
        if (!inner) continue;
        while (readdir(inner)) ++entries;
        closedir(inner);
    }
    closedir(top);
    return entries;
}

void benchTwoLevels(const std::string& base, int artists, int albumsEach) {
    const std::string music = base + "/artists-" + std::to_string(artists);
    makeArtistTree(music, artists, albumsEach);
    musicPrefix = music + "/";
    bareTwoLevelWalk(music);  // warm the caches before any timing

    std::vector<Times> scans, bares;
    for (int round = 0; round < 5; ++round) {
        std::unique_ptr<AlbumsLoader> library;
        scans.push_back(timed([&] { library.reset(new AlbumsLoader(music, "player", 2)); }));
        if (library->getAlbumsCount() != artists * albumsEach)
            std::printf("  WRONG COUNT %d\n", library->getAlbumsCount());
        library.reset();
        bares.push_back(timed([&] { bareTwoLevelWalk(music); }));
    }
    Times scan = median(scans), bare = median(bares);
    std::printf("%7d artists x %d albums, depth 2, names of about 33 bytes (medians of 5)\n", artists, albumsEach);
    std::printf("  wall: scan %8.2f ms   bare two-level walk %8.2f ms   ratio %5.2f\n", scan.wall, bare.wall,
                scan.wall / bare.wall);
    std::printf("  cpu:  scan %8.2f ms   bare two-level walk %8.2f ms   ratio %5.2f\n", scan.cpu, bare.cpu,
                scan.cpu / bare.cpu);

    resetCounts();
    counting = true;
    AlbumsLoader library(music, "player", 2);
    counting = false;
    printCounts("during the scan");
    std::printf("  folders listed: %ld (the music folder and its %d artists)\n",
                calls[kOpendir] + calls[kOpen] + calls[kOpenat], artists);
    std::printf("  first album: %s\n", library.getAlbumName(0));
    std::filesystem::remove_all(music);
}

}  // namespace

int main(int argc, char** argv) {
    int largest = argc > 1 ? std::atoi(argv[1]) : 100000;
    char base[] = "/tmp/vellora-scan-bench-XXXXXX";
    if (!mkdtemp(base)) {
        std::perror("scan_bench: mkdtemp");
        return 1;
    }
    bool ok = true;
    for (int albums : {1000, 10000, 100000})
        if (albums <= largest) ok = benchOneSize(base, albums) && ok;
    if (largest >= 100000) benchTwoLevels(base, 10000, 10);
    std::filesystem::remove_all(base);
    return ok ? 0 : 1;
}
