/* A slow folder for the benchmarks: loaded with LD_PRELOAD, it makes every
 * open, every read and every stat of a file or folder below
 * VELLORA_SLOW_FOLDER wait VELLORA_SLOW_DELAY_MS milliseconds (20 when unset)
 * first, as a music folder on a network share or a slow disk would. Opens
 * count whether of a file or of a folder (open, openat, fopen, opendir and
 * their 64-bit and checked forms); reads are read, pread and readv on a
 * descriptor opened below the folder; stats are those that name a path
 * (stat, lstat, fstatat, statx and their 64-bit and old glibc forms), each a
 * round trip on a share. fstat of a descriptor already open is not slowed (a
 * share answers it from what the open brought), nor are readdir's own reads.
 * Everything outside the folder is untouched, and without VELLORA_SLOW_FOLDER
 * the shim does nothing.
 *
 *     LD_PRELOAD=build/bench/libslow_folder_shim.so VELLORA_SLOW_FOLDER=/music vellora /music
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

#define MAX_FDS 65536

static char folder[PATH_MAX];
static size_t folderLength;
static long delayMs = 20;
static atomic_uchar slow[MAX_FDS]; /* descriptors opened below the folder */

__attribute__((constructor)) static void setUp(void) {
    const char* named = getenv("VELLORA_SLOW_FOLDER");
    const char* delay = getenv("VELLORA_SLOW_DELAY_MS");
    if (delay && *delay) delayMs = strtol(delay, NULL, 10);
    if (!named || !*named || !realpath(named, folder)) {
        folder[0] = '\0';
        return;
    }
    folderLength = strlen(folder);
}

static void slowDown(void) {
    struct timespec rest = {delayMs / 1000, (delayMs % 1000) * 1000000L};
    int saved = errno;
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
    errno = saved;
}

/* Whether `path` (relative to the folder open as `at`, or to the working
 * folder) lies below the slow folder. Paths are compared as written, made
 * absolute but not resolved: the browser names the music folder as given. */
static int below(int at, const char* path) {
    if (!folderLength || !path) return 0;
    if (path[0] != '/') {
        if (at != AT_FDCWD) return at >= 0 && at < MAX_FDS && slow[at];
        char here[PATH_MAX];
        if (!getcwd(here, sizeof here)) return 0;
        size_t length = strlen(here);
        if (length < folderLength || strncmp(here, folder, folderLength) != 0) return 0;
        return here[folderLength] == '/' || here[folderLength] == '\0';
    }
    return strncmp(path, folder, folderLength) == 0 && path[folderLength] == '/' && path[folderLength + 1] != '\0';
}

static void mark(int fd, int isSlow) {
    if (fd >= 0 && fd < MAX_FDS) slow[fd] = (unsigned char)isSlow;
}

static int isSlow(int fd) { return fd >= 0 && fd < MAX_FDS && slow[fd]; }

/* The next definition of the function being defined: libc's. */
#define REAL(name) \
    static __typeof__(&name) real = NULL; \
    if (!real) real = (__typeof__(&name))dlsym(RTLD_NEXT, #name)

static mode_t modeOf(int flags, va_list args) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? (mode_t)va_arg(args, int) : 0;
}

static int opened(int at, const char* path, int fd) {
    if (fd >= 0) mark(fd, below(at, path));
    return fd;
}

#define OPEN(name) \
    int name(const char* path, int flags, ...) { \
        va_list args; \
        va_start(args, flags); \
        mode_t mode = modeOf(flags, args); \
        va_end(args); \
        REAL(name); \
        if (below(AT_FDCWD, path)) slowDown(); \
        return opened(AT_FDCWD, path, real(path, flags, mode)); \
    }
OPEN(open)
OPEN(open64)

#define OPENAT(name) \
    int name(int at, const char* path, int flags, ...) { \
        va_list args; \
        va_start(args, flags); \
        mode_t mode = modeOf(flags, args); \
        va_end(args); \
        REAL(name); \
        if (below(at, path)) slowDown(); \
        return opened(at, path, real(at, path, flags, mode)); \
    }
OPENAT(openat)
OPENAT(openat64)

#define OPEN_CHECKED(name) \
    int name(const char* path, int flags) { \
        REAL(name); \
        if (below(AT_FDCWD, path)) slowDown(); \
        return opened(AT_FDCWD, path, real(path, flags)); \
    }
OPEN_CHECKED(__open_2)
OPEN_CHECKED(__open64_2)

#define FOPEN(name) \
    FILE* name(const char* path, const char* how) { \
        REAL(name); \
        if (below(AT_FDCWD, path)) slowDown(); \
        FILE* file = real(path, how); \
        if (file) mark(fileno(file), below(AT_FDCWD, path)); \
        return file; \
    }
FOPEN(fopen)
FOPEN(fopen64)

DIR* opendir(const char* path) {
    REAL(opendir);
    if (below(AT_FDCWD, path)) slowDown();
    DIR* dir = real(path);
    if (dir) mark(dirfd(dir), below(AT_FDCWD, path));
    return dir;
}

ssize_t read(int fd, void* buffer, size_t count) {
    REAL(read);
    if (isSlow(fd)) slowDown();
    return real(fd, buffer, count);
}

#define PREAD(name, offset_t) \
    ssize_t name(int fd, void* buffer, size_t count, offset_t offset) { \
        REAL(name); \
        if (isSlow(fd)) slowDown(); \
        return real(fd, buffer, count, offset); \
    }
PREAD(pread, off_t)
PREAD(pread64, off64_t)

ssize_t readv(int fd, const struct iovec* parts, int count) {
    REAL(readv);
    if (isSlow(fd)) slowDown();
    return real(fd, parts, count);
}

#define STAT(name, stat_t) \
    int name(const char* path, struct stat_t* info) { \
        REAL(name); \
        if (below(AT_FDCWD, path)) slowDown(); \
        return real(path, info); \
    }
STAT(stat, stat)
STAT(stat64, stat64)
STAT(lstat, stat)
STAT(lstat64, stat64)

#define FSTATAT(name, stat_t) \
    int name(int at, const char* path, struct stat_t* info, int flags) { \
        REAL(name); \
        if (below(at, path)) slowDown(); \
        return real(at, path, info, flags); \
    }
FSTATAT(fstatat, stat)
FSTATAT(fstatat64, stat64)

int statx(int at, const char* path, int flags, unsigned int mask, struct statx* info) {
    REAL(statx);
    if (below(at, path)) slowDown();
    return real(at, path, flags, mask, info);
}

/* The names glibc before 2.33 gave them, still called by older binaries. */
#define XSTAT(name, stat_t) \
    int name(int version, const char* path, struct stat_t* info) { \
        static int (*real)(int, const char*, struct stat_t*) = NULL; \
        if (!real) real = (int (*)(int, const char*, struct stat_t*))dlsym(RTLD_NEXT, #name); \
        if (below(AT_FDCWD, path)) slowDown(); \
        return real(version, path, info); \
    }
XSTAT(__xstat, stat)
XSTAT(__xstat64, stat64)
XSTAT(__lxstat, stat)
XSTAT(__lxstat64, stat64)

/* A descriptor closed is no longer slow, whichever way it was closed. */
int close(int fd) {
    REAL(close);
    mark(fd, 0);
    return real(fd);
}

int fclose(FILE* file) {
    REAL(fclose);
    if (file) mark(fileno(file), 0);
    return real(file);
}

int closedir(DIR* dir) {
    REAL(closedir);
    mark(dirfd(dir), 0);
    return real(dir);
}
