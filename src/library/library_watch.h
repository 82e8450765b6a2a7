// The library following its folder while the browser runs. A thread of its
// own watches the music folder, the folders above the album level (the
// artists' at depth 2 and 3) and the album folders the frame thread names
// (those whose covers it holds), gathers each burst of changes until the
// folder has been quiet for half a second, lists it again with the library's
// one walk (library_walk.h) and hands over how its albums changed. Where no
// watch can be had (a network file system, the system's limit, the test
// switch) it looks at the same folders' modification times, and at the named
// albums' cover files', every `rescaninterval` seconds instead, and a folder
// whose time moved goes the same way as one the watch told of. The frame
// thread takes the changes and makes them in one step (app/library_update.h).
// The two threads share one object behind one mutex: the changes going out,
// the album folders to follow coming in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "library/albums_loader.h"
#include "library/library_walk.h"

// Test switch, read by the entry: VELLORA_FOLDER_WATCHES=N lets the watch
// have at most N folder watches, as a system whose limit is reached would
// (0: none at all).
constexpr const char* kFolderWatchesVariable = "VELLORA_FOLDER_WATCHES";
// The rescaninterval setting's default: seconds between two looks at a
// library no watch follows.
constexpr int kDefaultRescanSeconds = 60;
// Its largest value: a day.
constexpr int kMaxRescanSeconds = 24 * 60 * 60;

class LibraryIndex;

// What the watch does with the library index: every folder it lists again
// goes into it. `fromIndex`: the folders it was given came from the index's
// rows, not from a walk; the first thing it does is then to look at every
// one of them and list again those whose time moved (after `holdMs`, the
// test switch of a slow folder). Otherwise it first writes what it was given
// into the index, as a first start's rows.
struct WatchIndex {
    LibraryIndex* index = nullptr;  // outlives the watch; nullptr: none
    bool fromIndex = false;
    uint32_t holdMs = 0;
};

// One change for the frame thread.
struct LibraryChange {
    std::string folder;                  // below the music folder, "" for the music folder itself
    bool listed = false;                 // listed again: `albums` says how its albums changed
    AlbumChange albums;
    bool musicFolderGone = false;        // the music folder is not there (and every album went)
    std::vector<std::string> coverKeys;  // albums whose folders changed: their covers are looked for again
};

// An album folder worth following for a new cover: its key, and the file its
// cover came from ("" when it has none), whose time tells of a cover
// rewritten in place where no watch can be had.
struct WatchedAlbum {
    std::string key;
    std::string coverFile;
    bool operator==(const WatchedAlbum& other) const { return key == other.key && coverFile == other.coverFile; }
};

// The album key of every album the change in `folder` (below the music
// folder, `depth` levels of albums) may have touched the cover of: the folder
// itself and the folders above it, down to the album level.
std::vector<std::string> albumKeysAround(const std::string& folder, int depth);

// The line said once when the watch cannot follow the whole folder: why, and
// how often the library is listed again instead (every `rescanMs`; 0: never).
std::string unwatchedLine(const std::string& musicPath, bool limitReached, uint32_t rescanMs);

class LibraryWatch {
public:
    // Starts following at once. `known` is what the scan saw of the folders
    // above the album level (AlbumsLoader::takeFoldersSeen), so that they are
    // not walked again; when it is empty the thread walks the music folder
    // first. `watchLimit` caps the folder watches (the test switch; negative:
    // the system's own limit). Where no watch can be had the folders are
    // looked at again every `rescanMs` milliseconds (0: never).
    LibraryWatch(const std::string& musicPath, int depth, int watchLimit = -1, uint32_t rescanMs = 0,
                 FolderMemory known = {}, WatchIndex index = {});
    // Ends the thread; one held by a listing of a dead folder is left to end
    // with the process (leftBehind then says so).
    ~LibraryWatch();
    LibraryWatch(const LibraryWatch&) = delete;
    LibraryWatch& operator=(const LibraryWatch&) = delete;

    // The changes found since the last call, in the order found. Never blocks.
    std::vector<LibraryChange> take();
    // The album folders worth following now; the ones no longer named stop
    // being followed.
    void watchAlbums(const std::vector<WatchedAlbum>& albums);
    // True once the destructor left the thread behind.
    static bool leftBehind();

    struct Shared;  // what the two threads share; the watching thread keeps it alive while it runs

private:
    std::shared_ptr<Shared> shared_;
};
