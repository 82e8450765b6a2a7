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
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
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

// The value whole, however long (or `def` when the file, section or key is
// missing), for values such as paths that a cut would turn into other ones.
// A NUL in the value ends it, as it does for GetProfileString.
std::string GetProfileText(const char* section, const char* key, const char* def, const char* file);

// The value read as a Windows integer: optional sign, then leading decimal
// digits ("010" is 10), or hexadecimal digits after "0x" or "0X"; no digits
// gives 0 and digits beyond 32 bits wrap around. `def` when the file, section
// or key is missing or the value is empty.
int GetProfileInt(const char* section, const char* key, int def, const char* file);

// True when the settings file at `path` may be read: it belongs to the current
// user or to root, others cannot write to it, and its group can write to it
// only when that group is the owner's private group (as OpenSSH allows it: the
// owner's primary group, with no other member). A path that does not exist
// (or cannot be examined) is trusted too, since reading it gives only
// defaults. When false, `why` (if given) gets a short reason for a person,
// e.g. "other users can change it (mode 0666)". Windows: always true.
bool settingsFileTrusted(const std::string& path, std::string* why);

// The rule itself (Linux), from what the system says of the file and of its group.
struct SettingsFileFacts {
    unsigned owner = 0, group = 0, mode = 0;  // the file's
    std::string ownerName;                    // the owner's login name, "" when unknown
    unsigned user = 0;                        // who asks (the effective user)
    bool groupIsOwnersPrivate = false;        // the owner's primary group, no other member
};
bool settingsTrustRule(const SettingsFileFacts& facts, std::string* why);

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
// Whether a listing puts the name `a` before the name `b`: the order above,
// folded bytes first, a name's end lowest, then byte by byte.
bool listedBefore(const char* a, const char* b);
bool listedBefore(std::string_view a, std::string_view b);
// The same order as bytes, appended to `key`: the name's bytes folded, a 0
// byte, the name itself and a 0 byte. Such keys of names without 0 bytes
// compare byte by byte as listedBefore orders the names.
void appendListingKey(std::string_view name, std::string* key);

// Hands the entries of `folder` ("." and ".." aside) to `visit` in the order
// the file system keeps them, unsorted and without reading ahead, until visit
// returns false: the cheap way to ask whether a huge folder holds something.
// kAttrSubdir as for findFirst. False when the folder cannot be listed.
bool visitFolder(const std::string& folder, bool (*visit)(const FindEntry& entry, void* context), void* context);

// Lists `folder` whole, handing its entries to `visit` in findFirst's order,
// and gives the folder's modification time as it was when the listing began
// (nanoseconds since 1970; 0 when it cannot be told), at no cost beyond the
// listing's own where the system allows (Linux: from the open folder). False
// when the folder is missing, not a folder or cannot be read; an empty folder
// is listed.
bool listFolder(const std::string& folder, void (*visit)(const FindEntry& entry, void* context), void* context,
                int64_t* modified);
// The modification time of the file or folder at `path` (after following
// links), as listFolder gives a folder's. False when it is not there or
// cannot be examined.
bool modifiedTime(const std::string& path, int64_t* modified);

// The native path separator, which the library puts between folder and name.
#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// ------------------------------------------------------------- program start
// The music players tried in this order when the settings name none, each
// with the arguments that make it play the folder given after them in place
// of what it plays. Linux: vlc, audacious, mpv, celluloid, qmmp, the first
// found on PATH; Windows: foobar2000's path of old where it is there, then
// VLC, AIMP, MusicBee, foobar2000 and Winamp, each as its folder and program
// under Program Files, the first installed (registered under App Paths or in
// that folder).
struct DefaultPlayer {
    const char* program;
    const char* arguments;         // as playerarguments would give them
    const char* enqueueArguments;  // as enqueuearguments would: add the folder to the running
                                   // player's list; nullptr when the player has no way to
    bool oneInstance;              // a second start hands its folder to the running player and
                                   // ends, so nothing is ended before it
};
const std::vector<DefaultPlayer>& defaultPlayers();

// What the settings say of the player.
struct PlayerSettings {
    std::string program;           // musicplayer; "" for the first default player found
    std::string arguments;         // playerarguments; "" for a default player's own
    std::string enqueueArguments;  // enqueuearguments; "" for a default player's own
    bool endPrevious = true;       // endplayer: whether a player of the user's choosing (or with
                                   // arguments of the user's) is ended before the next album plays
};

// Play: the album replaces what the player plays. Enqueue: it joins the player's list.
enum class PlayerAction { Play, Enqueue };

// What handing `folder` to the music player starts.
struct ProgramCall {
    std::string player;              // the program as the user knows it: the setting, or a default's name
    std::vector<std::string> words;  // Linux: the program to start, its arguments, the folder (argv)
    std::string commandLine;         // the same as one text: Windows starts it as it stands; Linux shows it
    std::string notFound;            // not "": no default player is there, and this says so
    std::string cannotEnqueue;       // not "": Enqueue was asked of a player with no way to, and this
                                     // says so ("cannot add an album to its list"); nothing starts
    bool endsPrevious = false;       // Play: the program the previous Play started is ended first
    std::string errorRelay;          // Linux: the tag helper, which passes the player's standard error
                                     // on and keeps its first line (see relayErrorOutput); "": the
                                     // player writes to ours directly and its first line is not kept
};

// The call that hands `folder` to the player the settings choose: the
// musicplayer program, or the first default player found in `searchPath` (a
// PATH value; Windows: the first installed, whatever the PATH); with Play the
// playerarguments (or a default player's own), with Enqueue the
// enqueuearguments (or a default player's own). Linux splits the arguments
// into words: runs of spaces and tabs separate them, a double-quoted part
// keeps its spaces in its word, "" is an empty word, an unbalanced quote runs
// to the end, nothing is escaped. Windows puts the text unchanged between the
// quoted player and the quoted folder: "player" arguments "folder". Only
// absolute folders of `searchPath` are looked in. A default player with its
// own arguments replaces its album its own way; any other is ended first when
// `endPrevious` says so.
ProgramCall playerCall(const PlayerSettings& settings, PlayerAction action, const std::string& folder,
                       const std::string& searchPath);
// The same for Play with only musicplayer and playerarguments set.
ProgramCall playerCall(const std::string& player, const std::string& arguments, const std::string& folder,
                       const std::string& searchPath);

// The call's command line for a line of standard error: Linux: its words,
// each quoted with platform::quotedPrintable; Windows: the command line with
// platform::printable.
std::string commandLineForPeople(const ProgramCall& call);

// Linux's splitting of playerarguments, as playerCall does it.
std::vector<std::string> splitArguments(const std::string& text);

// How a started program ended.
struct ProgramEnd {
    bool failed = false;         // with a status other than 0 or by a signal, not on request
    bool onRequest = false;      // StartedProgram::end ended it
    std::string how;             // "ended with status 1", "killed by signal 9 (Killed)"; "" for
                                 // status 0
    uint32_t milliseconds = 0;   // from its start to its end
    std::string firstErrorLine;  // the first line it wrote to standard error, without the line
                                 // end, at most 200 bytes; "" when none was seen
};

// A program startProgram started, for the frame thread to ask about and to
// end. Forgetting it (destroying this) leaves the program running; it is
// reaped when it ends all the same.
class StartedProgram {
public:
    virtual ~StartedProgram() = default;
    // True, with `end` filled, once the program has ended and its first line
    // of error output is known. Never waits.
    virtual bool ended(ProgramEnd* end) = 0;
    // Asks the program to end (Linux: SIGTERM; Windows: TerminateProcess)
    // unless it has ended already. Never reaches any other process.
    virtual void end() = 0;
};

// Starts `call` without a shell, without waiting, leaving no zombie (Linux:
// posix_spawnp with its words; Windows: CreateProcessW with its command
// line, shown normally, as WinExec would start it). False, with `why` saying
// so for a person ("not found on PATH", ...), when it cannot be started;
// nothing is written. With `started`, it gets the program to ask about.
bool startProgram(const ProgramCall& call, std::string* why, std::unique_ptr<StartedProgram>* started = nullptr);

// In the tag helper started as the error relay (Linux only): copies standard
// input to standard error and its first line also to descriptor 3, which it
// then closes, until standard input ends; the signals of a terminal or of the
// browser's end do not stop it, so the player's later output still reaches
// the terminal after the browser has gone. Returns the exit status.
int relayErrorOutput();
constexpr const char* kErrorRelayOption = "--relay-errors";

// ------------------------------------------------------------ helper process
// A program of the browser's own, started with pipes on its standard input
// and output, for work that must not be able to take the browser down: it
// may crash, spin or run out of memory, and the browser only sees it end.
struct HelperProcess {
    intptr_t process = 0;  // pid (Linux) or process HANDLE (Windows); 0 when none
    intptr_t job = 0;      // Windows: the Job Object holding it
    intptr_t input = -1;   // our end of its standard input
    intptr_t output = -1;  // our end of its standard output
};

// Starts `program` with `arguments`, its standard error shared with ours.
// Windows puts it in a Job Object limited to `memoryBytes` of committed
// memory, which ends with us; Linux leaves its limits to the helper itself
// (limitThisHelper). False, with `error` saying why, when it cannot start.
bool startHelper(const std::string& program, const std::vector<std::string>& arguments, size_t memoryBytes,
                 HelperProcess* helper, std::string* error);
// The helper's process id, for tests and messages; 0 when none.
long helperProcessId(const HelperProcess& helper);
// Before each piece of work: Windows gives the job `cpuSeconds` more of CPU
// time; Linux does nothing (the helper renews its own limit).
void renewHelperTime(HelperProcess& helper, unsigned cpuSeconds);
// Writes all of `data` to the helper's standard input; false when it has ended.
bool writeToHelper(HelperProcess& helper, const void* data, size_t size);
enum class HelperRead { Done, Ended, TimedOut, Cancelled };
// Reads exactly `size` bytes of its standard output, giving up at `deadline`
// or soon after `cancel` is set.
HelperRead readFromHelper(HelperProcess& helper, void* data, size_t size,
                          std::chrono::steady_clock::time_point deadline, const std::atomic<bool>* cancel);
// Ends the helper (killed first unless `gently`, when closing its input lets
// it end by itself), waits for it and closes everything. Says how it ended:
// "" for a normal end, else e.g. "killed by signal 11 (Segmentation fault)".
// `cpuLimit` is set when it ran out of CPU time.
std::string stopHelper(HelperProcess& helper, bool gently, bool* cpuLimit = nullptr);

// In the helper: limits this process to `addressSpaceBytes` of address
// space (0: none; sanitizer builds need terabytes of it) and makes it end
// when the process that started it ends. Linux only; nothing on Windows.
void limitThisHelper(size_t addressSpaceBytes);
// In the helper, before each piece of work: ends the process once it has
// used `cpuSeconds` more of CPU time. Linux only (Windows: the job's limit).
void renewOwnCpuLimit(unsigned cpuSeconds);
// The helper's side of the pipes, binary: false at the end of the input.
bool readStandardInput(void* data, size_t size);
bool writeStandardOutput(const void* data, size_t size);

// The folder the running program was started from ("" when unknown).
std::string programFolder();

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
// The window's top-left corner on the screen when nothing but the program
// places it: X with no window manager framing the window (a bare X session, a
// kiosk, a TV box). False before the window exists, under a window manager,
// and on Windows: both put a full-screen window at the screen's corner themselves.
bool unmanagedWindowPosition(int* x, int* y);
// Call once the window exists: whatever placeWindow needed to set up is undone,
// so that programs started later (the music player) do not inherit it.
void endWindowPlacement();

// Whether a message of the window system (an SDL_SYSWMEVENT's) is the release
// of a media Play or Pause key, which SDL 1.2 has no key symbol for (X: the
// XF86AudioPlay / XF86AudioPause key; Windows: VK_MEDIA_PLAY_PAUSE or the
// play / pause application command).
bool isPlayPauseKey(const struct SDL_SysWMmsg* message);

// A number that changes when input devices come or go: a gamepad plugged in.
// Linux: the modification time of /dev/input (0 when there is none); Windows:
// -1, the system gives no such sign and the caller must look for itself.
long long inputDevicesGeneration();

// Around the media library's start (SDL_Init): on Linux the SDL 1.2 layer
// (sdl12-compat) would draw GL into a framebuffer of its own and copy it to
// the window at every swap, which costs software GL more than the whole scene
// in a large window (17 ms a frame at 1920 x 1080 on llvmpipe, 2 ms at
// 600 x 600); the program always asks for the size it gets, so it needs none
// of the scaling that framebuffer is for. beforeVideoStart asks for drawing
// straight into the window, unless the user's environment says otherwise;
// afterVideoStart takes the request back out of the environment, which
// programs started later inherit. Windows: nothing to do.
void beforeVideoStart();
void afterVideoStart();

// Makes the loss of the display (the X server ends, a forwarded connection
// drops) end the program at once with one line on standard error and status
// 1, instead of leaving it spinning on a dead connection. Call it before the
// first connection to the display is made.
void endOnDisplayLoss();

// -------------------------------------------------------------- command line
// The program's arguments, argv[0] first, as UTF-8. Windows takes them from
// the wide command line: main's argv there is ANSI text, which loses every
// character the code page lacks.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// ---------------------------------------------------------------- user paths
// $HOME (Windows: %USERPROFILE%), or "" when it is not set.
std::string homeFolder();
// Windows: the profile's roaming application data (%APPDATA%), where a
// user's settings of programs belong. Linux: "" (the XDG rules say where).
std::string appDataFolder();
// The value of the environment variable `name`, or "" when it is not set.
std::string environmentValue(const char* name);
// Whether `path` names a regular file (after following links).
bool isFile(const std::string& path);
// Whether `path` names a folder (after following links).
bool isDirectory(const std::string& path);
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

// The music folder when the settings give none, given the home folder.
// Linux: home/Music. Windows: C:\Music when it is there, else the user's
// Music folder as the system knows it (the known folder), else C:\Music.
std::string defaultMusicFolder(const std::string& home);

// The folder the program runs in, "" when it cannot be told.
std::string workingFolder();
// `path` made absolute as text: joined to `workingFolder` when relative, "."
// and ".." resolved as names, symbolic links not followed, no separator
// doubled or left at the end. Windows: what GetFullPathNameW makes of it in
// the program's own working folder (the same rules).
std::string absolutePath(const std::string& path, const std::string& workingFolder);

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

// ------------------------------------------------------------- text glyphs
// The glyphs of every text on screen, for any Unicode character: from the
// caption face ("Courier New" bold or its stand-in) and, for characters it
// lacks, from the fallback faces the system names (Linux: fontconfig's
// ordered list for the caption face; Windows: the face's font links, then
// the system's usual fallback faces, then every installed TrueType face).
//
// One glyph: `width` x `rows` coverage values (0 none .. 255 full), top row
// first, tightly packed; its top-left pixel lies `left` pixels right of and
// `top` pixels above the pen on the baseline; the pen then moves `advance`
// whole pixels.
struct TextGlyph {
    int width = 0;
    int rows = 0;
    int left = 0;
    int top = 0;
    int advance = 0;
    std::vector<uint8_t> coverage;
};

// The open faces; owned by whoever opened them, released by closeGlyphFaces.
struct GlyphFaces;
// Opens the caption face; null with `error` saying what to install when no
// face can be had. Fallback faces are looked up when first needed.
GlyphFaces* openGlyphFaces(std::string* error);
void closeGlyphFaces(GlyphFaces* faces);

// Renders `codePoint` at a character height of `pixelHeight` pixels: one bit
// a pixel (coverage 0 or 255) for the caption face at the bitmap font's
// 15 pixels or less, smoothed otherwise (smoothGlyph in glyph_raster.h).
// False, `glyph` emptied, when no installed face has the character.
bool renderTextGlyph(GlyphFaces* faces, char32_t codePoint, int pixelHeight, TextGlyph* glyph);

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
// The modification time of the regular file at `path`, in whole seconds
// since 1970, and (when asked) the nanoseconds past that second (Windows: in
// steps of 100). False when it is not a regular file or cannot be examined.
bool fileModifiedSeconds(const std::string& path, int64_t* seconds, int32_t* nanoseconds = nullptr);
// Makes `folder` and its missing parents; the folders it makes can be entered
// by the user only (0700). True when the folder is there afterwards; else
// `error` says why.
bool makePrivateFolder(const std::string& folder, std::string* error);
// Writes `bytes` to a new file readable by the user only (0600) beside `path`
// and renames it to `path`, so that a reader never sees half a file. False,
// with `error` saying why and nothing left behind, on any failure.
bool replaceFilePrivately(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

// ------------------------------------------------------ the program's own cache
// The folder of what the program keeps for itself between runs (the library
// index): $XDG_CACHE_HOME/vellora ($HOME/.cache/vellora when XDG_CACHE_HOME
// is unset or not absolute); Windows: %LOCALAPPDATA%\vellora. "" when none
// can be named.
std::string programCacheFolder();
// Makes the file at `path` one only the user may read and write (0600): an
// empty one when it is not there; an existing one of the user's that others
// may read loses those bits. Windows: made when missing; the profile's ACL
// keeps it private. False, with `error` saying why, when it cannot be made or
// is not a regular file.
bool makePrivateFile(const std::string& path, std::string* error);
// Renames the file `from` to `to`, replacing `to`. False, with `error` saying why.
bool renameFile(const std::string& from, const std::string& to, std::string* error);
// Removes the file at `path`; true when it is gone afterwards (or was never there).
bool removeFile(const std::string& path);

// ------------------------------------------------------ folder change watch
// Tells which folders changed while the program runs: an entry made, removed,
// renamed or written to in a watched folder, or the watched folder itself
// removed or moved away. Linux: inotify, one watch per folder, the events
// read by wait(). Windows: ReadDirectoryChangesW over the whole tree below
// the first folder watched, on a thread of its own; a folder below it is then
// watched already, and a change anywhere in the tree names the folder that
// holds the changed entry.
class FolderWatch {
public:
    virtual ~FolderWatch() = default;
    enum class Added {
        Watching,  // changes in the folder will be told
        Limit,     // the system has no watch left to give
        NoEvents,  // the folder lies on a file system that tells no changes (a network share)
        Failed,    // the folder is not there or cannot be watched
    };
    // Starts watching `folder`, a path as the library builds them (the music
    // folder, or the music folder, the separator and a path below it).
    // Watching when it is watched already: the watch's own answer is the one
    // to trust, since the system drops the watch of a folder removed or
    // moved away (and with it, on Linux, those of the folders below it,
    // whose names are no longer theirs), and the name may then be watched anew.
    virtual Added watch(const std::string& folder) = 0;
    // Stops watching `folder` and every folder below it watched on its own
    // (Windows: a folder watched as part of a root's tree stays watched with
    // it); nothing when none was watched.
    virtual void unwatch(const std::string& folder) = 0;
    // Waits at most `milliseconds` for changes and returns the folders (in the
    // form watch() was given them) in which something changed, each once, in
    // no particular order. Sets *overflow when changes were lost: then every
    // folder must be listed again.
    virtual std::vector<std::string> wait(uint32_t milliseconds, bool* overflow) = 0;
};
// The system's folder watch; never nullptr (it may refuse every watch).
// `limit`, when not negative, stands for the system's own limit: no more than
// that many folders (Windows: trees) are watched at once, the next is refused
// with Limit (a test switch; 0 refuses every watch).
std::unique_ptr<FolderWatch> makeFolderWatch(int limit = -1);

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
