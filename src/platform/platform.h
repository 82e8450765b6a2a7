// The only door to the operating system.
//
// Everything the browser needs from the OS goes through these declarations:
// the settings file, folder listings, starting the music player, message
// boxes, window placement, the caption font's glyphs, and the tick clock.
// The *_posix.cpp files implement them for Linux, the *_win32.cpp files for
// Windows with the native calls; files without a suffix serve both. On both,
// narrow text (names, paths, settings values) is UTF-8: the Windows files
// convert at the call.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// ---------------------------------------------------------------- settings file
// Profile-file reading with the Windows semantics: section and key names match
// case-insensitively, blanks around names and values are trimmed (around the
// section name asked for too), the first matching section and key win, ';'
// starts a comment line, one pair of matching surrounding quotes is removed
// from a value, LF, CRLF and lone-CR line ends and a UTF-8 BOM are accepted.
// The file is opened, read and closed on every call.

// Copies the value (or `def` when the file, section or key is missing) into
// `out`, cut to size - 1 bytes and always terminated. A key present with an
// empty value gives "". Returns the number of bytes copied. size must be > 0.
int GetProfileString(const char* section, const char* key, const char* def,
                     char* out, int size, const char* file);

// The value read as a Windows integer: optional sign, then leading decimal
// digits ("010" is 10), or hexadecimal digits after "0x" or "0X"; no digits
// gives 0 and digits beyond 32 bits wrap around. `def` when the file, section
// or key is missing or the value is empty.
int GetProfileInt(const char* section, const char* key, int def, const char* file);

// True when the settings file at `path` may be read: it belongs to the current
// user or to root and neither its group nor others can write to it. A path
// that does not exist (or cannot be examined) is trusted too, since reading it
// gives only defaults. When false, `why` (if given) gets a short reason for a
// person, e.g. "other users can change it (mode 0666)".
bool settingsFileTrusted(const std::string& path, std::string* why);

// ------------------------------------------------------------- folder listing
// Lists one folder, never recursing, in a fixed order: by name with ASCII
// letters folded to upper case as NTFS does ('_' sorts after 'Z'), ties
// broken byte by byte (Windows: the file system's own order, which on NTFS is
// that one). "." and ".."
// are never yielded. kAttrSubdir is set when the entry is a directory after
// following symbolic links; an entry that cannot be examined is a plain file.
constexpr unsigned kAttrSubdir = 0x10;

struct FindEntry {
    std::string name;     // the entry's own name, no path, byte for byte
    unsigned attrib = 0;  // kAttrSubdir or 0
};

using FindHandle = intptr_t;
constexpr FindHandle kFindFailed = -1;

// Opens the listing of `folder` (the folder itself, no pattern; "" is the root
// folder) and fills `entry` with its first entry. Returns kFindFailed when the
// folder is missing, not a folder, unreadable, or empty.
FindHandle findFirst(const std::string& folder, FindEntry* entry);
// Fills `entry` with the next entry and returns 0; any other value at the end.
int findNext(FindHandle handle, FindEntry* entry);
// Releases a handle from findFirst. kFindFailed is ignored.
void findClose(FindHandle handle);

// Hands the entries of `folder` ("." and ".." aside) to `visit` in the order
// the file system keeps them, unsorted and without reading ahead, until visit
// returns false: the cheap way to ask whether a huge folder holds something.
// kAttrSubdir as for findFirst. False when the folder cannot be listed.
bool visitFolder(const std::string& folder, bool (*visit)(const FindEntry& entry, void* context), void* context);

// The native path separator, which the library puts between folder and name.
#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// ------------------------------------------------------------- program start
// Starts `program` (searched on PATH when it has no slash) with the single
// argument `argument`, without a shell, without waiting, leaving no zombie.
// `commandLine` is the text form of the same request; it is only used to say
// what failed (Windows starts the command line itself, with WinExec, and the
// program is searched for as Windows searches). A failed start writes one line to standard error and returns
// false.
bool startProgram(const std::string& program, const std::string& argument,
                  const std::string& commandLine);

// ---------------------------------------------------------------- message box
// The box's icon: a plain message, a warning the program runs on after, or an error.
enum class MessageKind { Information, Warning, Error };

// Writes "title: text" to standard error and, when a display is available,
// shows a modal box of `kind` with an OK button until the user closes it.
void messageBox(const char* title, const char* text, MessageKind kind = MessageKind::Information);

// The SDL_ShowSimpleMessageBox flags for `kind` (SDL_MESSAGEBOX_INFORMATION,
// _WARNING or _ERROR).
unsigned messageBoxFlags(MessageKind kind);

// --------------------------------------------------------- desktop and window
// The desktop's size in pixels. False when it cannot be found.
bool desktopSize(int* width, int* height);
// Places the program's window with its top-left corner at (x, y), before or
// after it is created. False when it cannot be done.
bool placeWindow(int x, int y);
// Call once the window exists: whatever placeWindow needed to set up is undone,
// so that programs started later (the music player) do not inherit it.
void endWindowPlacement();

// Makes the loss of the display (the X server ends, a forwarded connection
// drops) end the program at once with one line on standard error and status
// 1, instead of leaving it spinning on a dead connection. Call it once the
// window is open.
void endOnDisplayLoss();

// -------------------------------------------------------------- command line
// The program's arguments, argv[0] first, as UTF-8. Windows takes them from
// the wide command line: main's argv there is ANSI text, which loses every
// character the code page lacks.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// ---------------------------------------------------------------- user paths
// $HOME (Windows: %USERPROFILE%), or "" when it is not set.
std::string homeFolder();
// The value of the environment variable `name`, or "" when it is not set.
std::string environmentValue(const char* name);
// Whether `path` names a regular file (after following links).
bool isFile(const std::string& path);
// Opens the file at `path` as std::fopen does with `mode`; nullptr when it
// cannot. (Windows' fopen reads the name in the ANSI code page.)
std::FILE* openFile(const std::string& path, const char* mode);
// A path as the system's own file calls take it, for libraries that open files
// themselves (TagLib): the UTF-8 bytes on Linux, UTF-16 on Windows, where a
// narrow name is read in the ANSI code page.
#ifdef _WIN32
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif
NativePath nativePath(const std::string& path);

// The settings' defaults on this system: the music player, and the music
// folder given the home folder.
std::string defaultPlayerPath();
std::string defaultMusicFolder(const std::string& home);

// ----------------------------------------------------------- caption glyphs
// One glyph as glBitmap wants it: `rows` rows of `width` bits, most
// significant bit first, each row padded to a multiple of 4 bytes, the bottom
// row first. (xorig, yorig) is the bitmap's origin relative to the pen, and
// `advance` moves the pen along x after the glyph, in pixels.
struct GlyphBitmap {
    int width = 0;
    int rows = 0;
    float xorig = 0;
    float yorig = 0;
    float advance = 0;
    std::vector<uint8_t> bits;
};

// Renders the caption font (fixed pitch, bold, a character height of
// `pixelHeight`) as one-bit bitmaps for the Windows-1252 codes
// first .. first + count - 1. On failure returns false and says what is
// missing in `error`.
bool rasteriseCaptionFont(int pixelHeight, int first, int count,
                          std::vector<GlyphBitmap>* glyphs, std::string* error);

// Builds the same font into display lists listBase + i (i = 0 .. count - 1)
// of the current GL context, each drawing the glyph of code first + i at the
// raster position and advancing it by the one cell width of the font. Linux
// compiles rasteriseCaptionFont's bitmaps; Windows asks GDI and
// wglUseFontBitmapsA. listBase 0 (no lists reserved) builds nothing. On
// failure returns false and says why in `error`.
bool buildCaptionFont(uint32_t listBase, int pixelHeight, int first, int count, std::string* error);

// -------------------------------------------------------------- picture files
// Reads the whole file at `path` into `bytes`. Only a regular file is read: the
// file is opened without blocking and examined before any read, so a FIFO, a
// device or a socket named like a picture is refused at once instead of
// waiting for a writer. A file longer than `maxBytes` is refused unread;
// `cancel`, when given and set, stops the reading between chunks. False, with
// `error` saying why, on any failure.
bool readRegularFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>* bytes,
                     std::string* error, const std::atomic<bool>* cancel = nullptr);

// ------------------------------------------------------------ thumbnail cache
// The folder of the desktop's shared thumbnail cache: $XDG_CACHE_HOME/thumbnails
// ($HOME/.cache/thumbnails when XDG_CACHE_HOME is unset or not absolute);
// Windows: %LOCALAPPDATA%\vellora\thumbnails. "" when none can be named.
std::string thumbnailCacheFolder();
// The folder the program runs in, as an absolute path ("" when unknown).
std::string currentFolder();
// The modification time of the regular file at `path`, in whole seconds
// since 1970. False when it is not a regular file or cannot be examined.
bool fileModifiedSeconds(const std::string& path, int64_t* seconds);
// Makes `folder` and its missing parents; the folders it makes can be entered
// by the user only (0700). True when the folder is there afterwards; else
// `error` says why.
bool makePrivateFolder(const std::string& folder, std::string* error);
// Writes `bytes` to a new file readable by the user only (0600) beside `path`
// and renames it to `path`, so that a reader never sees half a file. False,
// with `error` saying why and nothing left behind, on any failure.
bool replaceFilePrivately(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

// ------------------------------------------------------------------- threads
// Gives the calling thread a lower scheduling priority than the program's
// other threads (background work that must not slow the frames). Best effort.
void lowerThreadPriority();

// Makes large freed blocks go back to the operating system at once rather
// than staying in the allocator's pools, so freed picture memory really leaves
// the resident set. Call once at start-up, before other threads exist.
void returnFreedMemoryPromptly();

// --------------------------------------------------------------------- clock
// Milliseconds since the media library started, and a sleep. Tests install a
// simulated clock so that nothing waits on the wall clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t ticks() = 0;
    virtual void delay(uint32_t milliseconds) = 0;
};

uint32_t ticks();
void delay(uint32_t milliseconds);
// Installs `clock` for ticks() and delay(); nullptr restores the real one.
// The caller keeps ownership.
void setClock(Clock* clock);

}  // namespace platform
