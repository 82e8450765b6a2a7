#include "library/library_scan.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "library/albums_loader.h"

// What both threads hold; it lives until the later of them lets it go, so a
// scan that outlives the program's wish to end writes into memory that is
// still there.
struct LibraryScan::Handoff {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;                     // under mutex
    std::unique_ptr<AlbumsLoader> library; // under mutex; set once, with done
};

LibraryScan::LibraryScan(const std::string& musicPath, const std::string& playerPath, int depth, uint32_t delayMs)
    : handoff_(std::make_shared<Handoff>()) {
    std::thread([handoff = handoff_, musicPath, playerPath, depth, delayMs] {
        if (delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        auto library = std::make_unique<AlbumsLoader>(musicPath, playerPath, depth);
        std::lock_guard<std::mutex> lock(handoff->mutex);
        handoff->library = std::move(library);
        handoff->done = true;
        handoff->finished.notify_all();
    }).detach();
}

LibraryScan::~LibraryScan() = default;

bool LibraryScan::waitFinished(uint32_t milliseconds) {
    std::unique_lock<std::mutex> lock(handoff_->mutex);
    return handoff_->finished.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return handoff_->done; });
}

AlbumsLoader* LibraryScan::take() {
    std::lock_guard<std::mutex> lock(handoff_->mutex);
    return handoff_->library.release();
}

bool LibraryScan::abandoned() {
    std::lock_guard<std::mutex> lock(handoff_->mutex);
    return !handoff_->done;
}
