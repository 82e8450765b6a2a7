// The music folder scan on a thread of its own, so that a big or slow folder
// is read while the window, the GL context and the font start. When the
// library index is used, the thread opens it first: if it holds the library,
// the library comes from its rows at once and the walk is left to the
// library's watch, which reconciles them with the folder behind the first
// frame; otherwise the folder is walked as on a first start. The finished
// library (and the index) is handed to the frame thread in one place (take,
// takeIndex); the two threads share nothing else but the walk's progress. The thread is detached from the start: nothing ever
// waits for it to end, so the program may end at any moment (Escape, a lost
// display, a failed window) without joining a scan stuck on a dead folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class AlbumsLoader;
class LibraryIndex;

// Test switch, read by the entry: VELLORA_SCAN_DELAY_MS=N holds the walk of
// the music folder back N milliseconds, as a slow network folder would (on a
// start from the index, the walk the library's watch makes behind it).
constexpr const char* kScanDelayVariable = "VELLORA_SCAN_DELAY_MS";

class LibraryScan {
public:
    // Starts scanning at once. `delayMs` holds the walk back that long first:
    // tests use it to stand for a slow (network) folder; 0 otherwise.
    // `useIndex`: the library index (libraryIndexPath) is opened and read first.
    LibraryScan(const std::string& musicPath, const std::string& playerPath, int depth, uint32_t delayMs = 0,
                bool useIndex = false);
    // A scan still running is left to end on its own (it may be stuck in the
    // kernel on a dead network folder); its library is deleted when it does.
    ~LibraryScan();
    LibraryScan(const LibraryScan&) = delete;
    LibraryScan& operator=(const LibraryScan&) = delete;

    // Waits at most `milliseconds` for the scan to end; true once it has.
    bool waitFinished(uint32_t milliseconds);
    // The same, but only while the library may yet come from the index:
    // returns at once (false) when the scan has begun to walk instead.
    bool waitIndexed(uint32_t milliseconds);
    // The library, once waitFinished said true; the caller owns it. Once
    // only: later calls give nullptr.
    AlbumsLoader* take();
    // The same for the library index: nullptr when it is not used.
    LibraryIndex* takeIndex();
    // Whether the library came from the index's rows, once waitFinished said
    // true: the folder is then still to be walked.
    bool fromIndex();
    // The key of the album selected when the index was last written ("" none
    // known), once waitFinished said true.
    std::string lastAlbum();
    // The albums the walk has found so far, for the line saying it is read.
    size_t albumsFound() const;
    // True when the scan is still running: the process should then end with
    // _Exit rather than run static destructors under the scanning thread.
    bool abandoned();

private:
    struct Handoff;
    std::shared_ptr<Handoff> handoff_;
};
