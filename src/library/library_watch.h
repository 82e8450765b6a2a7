// The library following its folder while the browser runs. A thread of its
// own watches the music folder, the folders above the album level (the
// artists' at depth 2 and 3) and the album folders the frame thread names
// (those whose covers it holds), gathers each burst of changes until the
// folder has been quiet for half a second, lists it again and hands the
// result over. The frame thread takes the changes and makes them in one step
// (library_update.h). The two threads share one object behind one mutex: the
// changes going out, the album folders to watch coming in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "library/albums_loader.h"

// Test switch, read by the entry: VELLORA_FOLDER_WATCHES=N lets the watch
// have at most N folder watches, as a system whose limit is reached would
// (0: none at all).
constexpr const char* kFolderWatchesVariable = "VELLORA_FOLDER_WATCHES";

// One change for the frame thread.
struct LibraryChange {
    std::string folder;                  // below the music folder, "" for the music folder itself
    bool listed = false;                 // `albums` holds every album at or below `folder` now
    std::vector<FoundAlbum> albums;
    bool musicFolderGone = false;        // the music folder is not there (and `albums` is empty)
    std::vector<std::string> coverKeys;  // albums whose folders changed: their covers are looked for again
};

// The album key of every album the change in `folder` (below the music
// folder, `depth` levels of albums) may have touched the cover of: the folder
// itself and the folders above it, down to the album level.
std::vector<std::string> albumKeysAround(const std::string& folder, int depth);

// The line said once when the watch cannot follow the whole folder.
std::string unwatchedLine(const std::string& musicPath, bool limitReached);

class LibraryWatch {
public:
    // Starts watching at once. `watchLimit` caps the folder watches (the test
    // switch); negative for the system's own limit.
    LibraryWatch(const std::string& musicPath, int depth, int watchLimit = -1);
    // Ends the thread; one held by a listing of a dead folder is left to end
    // with the process (leftBehind then says so).
    ~LibraryWatch();
    LibraryWatch(const LibraryWatch&) = delete;
    LibraryWatch& operator=(const LibraryWatch&) = delete;

    // The changes found since the last call, in the order found. Never blocks.
    std::vector<LibraryChange> take();
    // The album folders (album keys) worth watching now; the ones no longer
    // named stop being watched.
    void watchAlbums(const std::vector<std::string>& keys);
    // True once the destructor left the thread behind.
    static bool leftBehind();

    struct Shared;  // what the two threads share; the watching thread keeps it alive while it runs

private:
    std::shared_ptr<Shared> shared_;
};
