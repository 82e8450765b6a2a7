#include "library/library_scan.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "library/albums_loader.h"
#include "library/indexed_folders.h"
#include "library/library_index.h"
#include "platform/platform.h"

// What both threads hold; it lives until the later of them lets it go, so a
// scan that outlives the program's wish to end writes into memory that is
// still there.
struct LibraryScan::Handoff {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;                     // under mutex
    std::unique_ptr<AlbumsLoader> library; // under mutex; set once, with done
    std::unique_ptr<LibraryIndex> index;   // under mutex; set once, with done
    bool fromIndex = false;                // under mutex; set once, with done
    bool walking = false;                  // under mutex: the folder is being walked
    std::string lastAlbum;                 // under mutex; set once, with done
    std::atomic<size_t> albumsFound{0};    // counted by the walk as it goes
};

LibraryScan::LibraryScan(const std::string& musicPath, const std::string& playerPath, int depth, uint32_t delayMs,
                         bool useIndex)
    : handoff_(std::make_shared<Handoff>()) {
    std::thread([handoff = handoff_, musicPath, playerPath, depth, delayMs, useIndex] {
        std::unique_ptr<LibraryIndex> index;
        FolderMemory memory;
        IndexedFacts facts;
        bool fromIndex = false;
        // One library per music folder and depth: the folder as the same
        // text however it was given.
        const std::string path = useIndex ? libraryIndexPath() : std::string();
        const auto open = [&] {
            index = std::make_unique<LibraryIndex>(
                path, platform::absolutePath(musicPath, platform::workingFolder()), clampDepth(depth));
        };
        // No file yet: nothing to read, so the new file is made (which waits
        // on the disk) while the folder is walked, and a first start is not
        // the slower for it.
        std::thread making;
        if (useIndex && platform::isFile(path)) {
            open();
            fromIndex = readIndexedFolders(*index, depth, &memory, &facts);
        } else if (useIndex) {
            making = std::thread(open);
        }
        if (!fromIndex) {
            {
                std::lock_guard<std::mutex> lock(handoff->mutex);
                handoff->walking = true;
                handoff->finished.notify_all();
            }
            if (delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            walkFolders(musicPath, depth, "", memory, kListingThreads, &handoff->albumsFound);
        }
        if (making.joinable()) making.join();
        auto library = std::make_unique<AlbumsLoader>(musicPath, playerPath, depth, std::move(memory));
        library->setAlbumTags(facts.tags);
        library->setAlbumsAdded(facts.added);
        std::lock_guard<std::mutex> lock(handoff->mutex);
        handoff->library = std::move(library);
        handoff->index = std::move(index);
        handoff->fromIndex = fromIndex;
        handoff->lastAlbum = std::move(facts.lastAlbum);
        handoff->done = true;
        handoff->finished.notify_all();
    }).detach();
}

LibraryScan::~LibraryScan() = default;

bool LibraryScan::waitFinished(uint32_t milliseconds) {
    std::unique_lock<std::mutex> lock(handoff_->mutex);
    return handoff_->finished.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return handoff_->done; });
}

bool LibraryScan::waitIndexed(uint32_t milliseconds) {
    std::unique_lock<std::mutex> lock(handoff_->mutex);
    handoff_->finished.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                [this] { return handoff_->done || handoff_->walking; });
    return handoff_->done;
}

AlbumsLoader* LibraryScan::take() {
    std::lock_guard<std::mutex> lock(handoff_->mutex);
    return handoff_->library.release();
}

LibraryIndex* LibraryScan::takeIndex() {
    std::lock_guard<std::mutex> lock(handoff_->mutex);
    return handoff_->index.release();
}

std::string LibraryScan::lastAlbum() {
    std::lock_guard<std::mutex> lock(handoff_->mutex);
    return handoff_->lastAlbum;
}

bool LibraryScan::fromIndex() {
    std::lock_guard<std::mutex> lock(handoff_->mutex);
    return handoff_->fromIndex;
}

size_t LibraryScan::albumsFound() const { return handoff_->albumsFound; }

bool LibraryScan::abandoned() {
    std::lock_guard<std::mutex> lock(handoff_->mutex);
    return !handoff_->done;
}
