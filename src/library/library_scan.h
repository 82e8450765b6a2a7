// The music folder scan on a thread of its own, so that a big or slow folder
// is read while the window, the GL context and the font start. The finished
// library is handed to the frame thread in one place (take); the two threads
// share nothing else. The thread is detached from the start: nothing ever
// waits for it to end, so the program may end at any moment (Escape, a lost
// display, a failed window) without joining a scan stuck on a dead folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class AlbumsLoader;

// Test switch, read by the entry: VELLORA_SCAN_DELAY_MS=N holds the scan back
// N milliseconds, as a slow network folder would.
constexpr const char* kScanDelayVariable = "VELLORA_SCAN_DELAY_MS";

class LibraryScan {
public:
    // Starts scanning at once. `delayMs` holds the scan back that long first:
    // tests use it to stand for a slow (network) folder; 0 otherwise.
    LibraryScan(const std::string& musicPath, const std::string& playerPath, int depth, uint32_t delayMs = 0);
    // A scan still running is left to end on its own (it may be stuck in the
    // kernel on a dead network folder); its library is deleted when it does.
    ~LibraryScan();
    LibraryScan(const LibraryScan&) = delete;
    LibraryScan& operator=(const LibraryScan&) = delete;

    // Waits at most `milliseconds` for the scan to end; true once it has.
    bool waitFinished(uint32_t milliseconds);
    // The library, once waitFinished said true; the caller owns it. Once
    // only: later calls give nullptr.
    AlbumsLoader* take();
    // True when the scan is still running: the process should then end with
    // _Exit rather than run static destructors under the scanning thread.
    bool abandoned();

private:
    struct Handoff;
    std::shared_ptr<Handoff> handoff_;
};
