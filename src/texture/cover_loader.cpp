#include "texture/cover_loader.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "library/albums_loader.h"
#include "library/embedded_cover.h"
#include "library/tag_reader.h"
#include "platform/platform.h"
#include "texture/cover_requests.h"

namespace {

// How long the destructor waits for the threads to see the cancel flag.
const auto kShutdownWait = std::chrono::milliseconds(300);
// Thumbnails held back while requests wait; past this the oldest is written at once.
const size_t kMaxHeldThumbnails = 8;
// How long after the frame thread took the last finished cover the held
// thumbnails wait: the frame that uploads it is drawn first, not beside the
// encoding (on two cores the software renderer wants both).
const auto kThumbnailPause = std::chrono::milliseconds(150);

std::atomic<int> leftBehind{0};

}  // namespace

int coverLoaderThreadsLeftBehind() { return leftBehind.load(); }

int coverLoaderThreads(unsigned cores) { return cores <= 2 ? 1 : int(std::min(cores - 1, 4u)); }

LoadedCover loadAlbumCover(const std::string& folder, int coverHeight, const std::atomic<bool>* cancel,
                           TagReader* tags, std::atomic<size_t>* inHandBytes, ThumbnailCache* thumbnails,
                           PendingThumbnail* pending) {
    LoadedCover cover;
    std::string firstDisc;
    cover.source = AlbumsLoader::searchCover(folder, &firstDisc);
    if (!cover.source.empty()) {
        cover.texels = thumbnails ? thumbnails->decodeCoverFile(cover.source, coverHeight, cancel, pending, inHandBytes)
                                  : decodeCoverFile(cover.source, coverHeight, cancel, inHandBytes);
        return cover;
    }
    // No picture file: the first picture inside the folder's audio files,
    // then inside the first disc folder's. The source is then that audio
    // file, so a refusal names the file to mend.
    std::string failure;
    bool helperFailed = false;
    EmbeddedCoverReader read = readEmbeddedCover;
    if (tags)
        read = [&](const std::string& path, std::string* why) {
            if (helperFailed) {  // the album has lost its cover to the file before
                why->clear();
                return std::vector<uint8_t>();
            }
            return tags->read(path, why, cancel, &helperFailed);
        };
    std::vector<uint8_t> bytes = findEmbeddedCover(folder, &failure, &cover.source, read);
    if (bytes.empty() && !helperFailed && !firstDisc.empty()) {
        std::string discFailure, discSource;
        bytes = findEmbeddedCover(firstDisc, &discFailure, &discSource, read);
        if (!bytes.empty() || failure.empty()) {  // else the folder's own failure is the one said
            failure = discFailure;
            cover.source = discSource;
        }
    }
    if (!bytes.empty()) {
        if (inHandBytes) *inHandBytes += bytes.size();
        cover.texels = thumbnails ? thumbnails->decodeEmbeddedCover(cover.source, bytes, coverHeight, cancel, pending,
                                                                    inHandBytes)
                                  : decodeCoverBytes(bytes.data(), bytes.size(), coverHeight, cancel, inHandBytes);
        if (inHandBytes) *inHandBytes -= bytes.size();
    } else if (!failure.empty()) {
        const std::string named = cover.source + ": ";  // the failure begins with the file it is about
        if (failure.compare(0, named.size(), named) == 0) failure.erase(0, named.size());
        cover.texels.failure = failure;
    }
    return cover;
}

struct CoverLoader::Shared {
    Shared(int reach, int maxWaiting, ThumbnailCache* thumbnails)
        : queue(reach), maxWaiting(maxWaiting), thumbnails(thumbnails) {}

    std::atomic<bool> cancel{false};
    std::atomic<size_t> inHandBytes{0};                // memory of the decodes in hand

    mutable std::mutex mutex;
    std::condition_variable wake;           // work, room or the end
    CoverRequestQueue queue;                // guarded by mutex
    std::vector<LoadedCover> finished;      // guarded by mutex
    int inHand = 0;                         // guarded by mutex: covers and thumbnails being made
    int decoding = 0;                       // guarded by mutex: covers among them
    int running = 0;                        // guarded by mutex
    const size_t maxWaiting;
    ThumbnailCache* const thumbnails;
    std::vector<PendingThumbnail> held;     // guarded by mutex: to write once the covers are taken
    std::chrono::steady_clock::time_point lastTaken;  // guarded by mutex: the last finished cover taken

    // Whether the held thumbnails may be written now: a while after every
    // cover asked for has been handed on and taken (writing beside the frame
    // that uploads the last of them would slow it), or when too many are held.
    bool thumbnailsDue() const {
        if (held.empty()) return false;
        if (held.size() > kMaxHeldThumbnails) return true;
        return queue.size() == 0 && finished.empty() &&
               std::chrono::steady_clock::now() - lastTaken >= kThumbnailPause;
    }

    // A request is taken only while the covers finished and in hand leave
    // room: however many threads decode, no more than maxWaiting finished
    // covers ever wait for the frame thread.
    bool roomForACover() const { return finished.size() + size_t(decoding) < maxWaiting; }

    bool workToDo() const { return cancel || (queue.size() > 0 && roomForACover()) || thumbnailsDue(); }

    // Waits for a request, room for a finished cover, thumbnails due or the end.
    void waitForWork(std::unique_lock<std::mutex>& lock) {
        while (!workToDo()) {
            if (!held.empty() && queue.size() == 0 && finished.empty())
                wake.wait_until(lock, lastTaken + kThumbnailPause);  // the pause may end the wait
            else
                wake.wait(lock);
        }
    }

    // Writes the held thumbnails while they are due, one at a time, unlocked.
    void writeThumbnails(std::unique_lock<std::mutex>& lock) {
        while (!cancel && thumbnailsDue()) {
            PendingThumbnail pending = std::move(held.front());
            held.erase(held.begin());
            ++inHand;
            lock.unlock();
            thumbnails->write(pending);
            lock.lock();
            --inHand;
        }
    }

    void work() {
        platform::lowerThreadPriority();
        TagReader tags;  // this thread's tag helper, started on first need
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            waitForWork(lock);
            if (cancel) break;
            if (queue.size() == 0 || !roomForACover()) {
                writeThumbnails(lock);
                continue;
            }
            CoverRequest request;
            queue.takeNext(&request);
            ++inHand;
            ++decoding;
            lock.unlock();
            PendingThumbnail pending;
            LoadedCover cover =
                loadAlbumCover(request.folder, request.coverHeight, &cancel, &tags, &inHandBytes, thumbnails, &pending);
            cover.key = std::move(request.key);
            cover.place = request.place;
            lock.lock();
            --inHand;
            --decoding;
            if (cancel) break;
            finished.push_back(std::move(cover));
            // The cover is handed on first; its thumbnail is written after the covers asked for.
            if (pending.wanted) held.push_back(std::move(pending));
            writeThumbnails(lock);
        }
        --running;
        wake.notify_all();
    }
};

CoverLoader::CoverLoader(int threads, int reach, int maxWaiting, ThumbnailCache* thumbnails)
    : shared_(std::make_shared<Shared>(reach, std::max(maxWaiting, 1), thumbnails)) {
    const int threadCount = std::max(threads, 1);
    shared_->running = threadCount;
    for (int i = 0; i < threadCount; ++i) {
        std::shared_ptr<Shared> shared = shared_;  // keeps the state alive for a thread left behind
        threads_.emplace_back([shared] { shared->work(); });
    }
}

CoverLoader::~CoverLoader() {
    bool allEnded;
    {
        std::unique_lock<std::mutex> lock(shared_->mutex);
        shared_->cancel = true;
        shared_->wake.notify_all();
        allEnded = shared_->wake.wait_for(lock, kShutdownWait, [&] { return shared_->running == 0; });
    }
    for (std::thread& thread : threads_) {
        if (allEnded)
            thread.join();
        else {
            thread.detach();
            ++leftBehind;
        }
    }
}

bool CoverLoader::request(const std::string& key, const std::string& folder, int place, int coverHeight) {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (!shared_->queue.add({key, folder, place, coverHeight})) return false;
    shared_->wake.notify_one();
    return true;
}

std::vector<std::string> CoverLoader::moveTo(int base) {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    std::vector<std::string> dropped = shared_->queue.moveTo(base);
    if (!dropped.empty()) shared_->wake.notify_all();  // an empty queue lets the thumbnails be written
    return dropped;
}

void CoverLoader::renumber(const std::vector<int>& newIndexOfOld) {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->queue.renumber(newIndexOfOld);
    std::vector<LoadedCover>& finished = shared_->finished;
    auto gone = std::remove_if(finished.begin(), finished.end(), [&](LoadedCover& cover) {
        cover.place = movedPlace(newIndexOfOld, cover.place);
        return cover.place < 0;
    });
    if (gone != finished.end()) {
        finished.erase(gone, finished.end());
        shared_->wake.notify_all();  // room for the next finished cover
    }
}

bool CoverLoader::takeFinished(LoadedCover* cover, size_t maxBytes) {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    std::vector<LoadedCover>& finished = shared_->finished;
    if (finished.empty()) return false;
    const int base = shared_->queue.base();
    auto nearest = std::min_element(finished.begin(), finished.end(), [&](const LoadedCover& a, const LoadedCover& b) {
        return walkRank(a.place - base) < walkRank(b.place - base);
    });
    if (nearest->texels.usable() && nearest->texels.textureBytes() > maxBytes) return false;
    *cover = std::move(*nearest);
    finished.erase(nearest);
    shared_->lastTaken = std::chrono::steady_clock::now();
    shared_->wake.notify_all();  // room for the next finished cover
    return true;
}

size_t CoverLoader::waitingBytes() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    size_t bytes = shared_->inHandBytes.load();
    for (const LoadedCover& cover : shared_->finished)
        if (cover.texels.usable()) bytes += cover.texels.textureBytes();
    return bytes;
}

bool CoverLoader::idle() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->queue.size() == 0 && shared_->inHand == 0 && shared_->finished.empty() && shared_->held.empty();
}
