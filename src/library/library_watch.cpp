#include "library/library_watch.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <set>
#include <thread>

#include "library/change_gatherer.h"
#include "platform/platform.h"

namespace {

// The longest the thread waits for changes before it looks at its inbox and
// its stop flag again.
const uint32_t kLookAgainMs = 200;
// How often a music folder that went is looked for again.
const uint32_t kGoneCheckMs = 1000;
// How long the destructor waits for the thread to end.
const auto kEndWait = std::chrono::milliseconds(500);

std::atomic<bool> threadLeftBehind{false};

uint32_t steadyTicks() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

std::vector<std::string> albumKeysAround(const std::string& folder, int depth) {
    std::vector<std::string> keys;
    if (folder.empty()) return keys;
    size_t end = 0;
    for (int level = 1; level <= depth; ++level) {
        end = folder.find(platform::kSeparator, level == 1 ? 0 : end + 1);
        keys.push_back(folder.substr(0, end));
        if (end == std::string::npos) break;
    }
    return keys;
}

std::string unwatchedLine(const std::string& musicPath, bool limitReached) {
    return std::string("vellora: ") +
           (limitReached ? "the system has no folder watches left to follow " + musicPath
                         : musicPath + " lies on a file system that does not tell of changes") +
           "; albums added or removed there show at the next start\n";
}

struct LibraryWatch::Shared {
    Shared(const std::string& musicPath, int depth, int watchLimit)
        : musicPath(musicPath), depth(depth), watchLimit(watchLimit) {}

    const std::string musicPath;
    const int depth;
    const int watchLimit;

    std::mutex mutex;
    std::condition_variable ended;
    bool stop = false;                       // under mutex
    bool running = true;                     // under mutex
    std::vector<LibraryChange> changes;      // under mutex: found, not yet taken
    std::vector<std::string> wantedAlbums;   // under mutex: album keys to watch
    bool wantedChanged = false;              // under mutex

    void run();
};

namespace {

// The watching thread's own state; nothing of it is shared.
class Watcher {
public:
    explicit Watcher(LibraryWatch::Shared& shared)
        : shared_(shared), watch_(platform::makeFolderWatch(shared.watchLimit)) {}

    void run() {
        platform::lowerThreadPriority();
        watchTree();
        uint32_t lastGoneCheck = steadyTicks();
        while (!stopping()) {
            uint32_t wait = gatherer_.untilNextQuiet(steadyTicks(), kLookAgainMs);
            bool overflow = false;
            const std::vector<std::string> folders = watch_->wait(wait, &overflow);
            const uint32_t now = steadyTicks();
            for (const std::string& folder : folders) {
                std::string relative;
                if (relativeOf(folder, &relative)) gatherer_.changed(relative, now);
            }
            if (overflow) gatherer_.changed("", now);  // changes were lost: list everything again
            followWantedAlbums();
            if (gone_ && now - lastGoneCheck >= kGoneCheckMs) {
                lastGoneCheck = now;
                if (platform::isDirectory(shared_.musicPath)) {  // back again
                    gone_ = false;
                    gatherer_.changed("", now - kQuietBeforeListing);
                }
            }
            for (const std::string& relative : gatherer_.takeQuiet(now)) listAgain(relative);
        }
    }

private:
    bool stopping() {
        std::lock_guard<std::mutex> lock(shared_.mutex);
        return shared_.stop;
    }

    std::string pathOf(const std::string& relative) const {
        return relative.empty() ? shared_.musicPath : shared_.musicPath + platform::kSeparator + relative;
    }

    bool relativeOf(const std::string& folder, std::string* relative) const {
        const std::string& root = shared_.musicPath;
        if (folder == root) {
            relative->clear();
            return true;
        }
        if (folder.size() <= root.size() + 1 || folder.compare(0, root.size(), root) != 0 ||
            folder[root.size()] != platform::kSeparator)
            return false;
        *relative = folder.substr(root.size() + 1);
        return true;
    }

    // The music folder and the folders above the album level.
    void watchTree() {
        if (!watchFolder("")) return;
        if (shared_.depth > 1)
            for (const std::string& folder : AlbumsLoader::listBelow(shared_.musicPath, shared_.depth, "").above)
                watchFolder(folder);
    }

    // Whether the folder is watched, asked of the system's watch each time: it
    // alone knows when a folder went and took its watch with it.
    bool watchFolder(const std::string& relative) {
        const platform::FolderWatch::Added added = watch_->watch(pathOf(relative));
        switch (added) {
            case platform::FolderWatch::Added::Watching:
                return true;
            case platform::FolderWatch::Added::Limit:
            case platform::FolderWatch::Added::NoEvents:
                if (!said_) std::fputs(unwatchedLine(shared_.musicPath, added == platform::FolderWatch::Added::Limit).c_str(), stderr);
                said_ = true;
                return false;
            case platform::FolderWatch::Added::Failed:
                return false;
        }
        return false;
    }

    // The folder went: so did its watches, and those of the folders below it.
    void forgetBelow(const std::string& relative) {
        watch_->unwatch(pathOf(relative));
        for (auto at = albumWatched_.begin(); at != albumWatched_.end();)
            at = pathIsAtOrBelow(*at, relative) ? albumWatched_.erase(at) : std::next(at);
    }

    void followWantedAlbums() {
        std::vector<std::string> wanted;
        {
            std::lock_guard<std::mutex> lock(shared_.mutex);
            if (!shared_.wantedChanged) return;
            shared_.wantedChanged = false;
            wanted.swap(shared_.wantedAlbums);
        }
        const std::set<std::string> keep(wanted.begin(), wanted.end());
        for (auto at = albumWatched_.begin(); at != albumWatched_.end();) {
            if (keep.count(*at)) {
                ++at;
                continue;
            }
            watch_->unwatch(pathOf(*at));
            at = albumWatched_.erase(at);
        }
        if (gone_) return;
        for (const std::string& key : keep)
            if (watchFolder(key)) albumWatched_.insert(key);
    }

    void listAgain(const std::string& relative) {
        LibraryChange change;
        change.folder = relative;
        if (pathLevel(relative) < shared_.depth) {
            AlbumsLoader::FolderListing listing = AlbumsLoader::listBelow(shared_.musicPath, shared_.depth, relative);
            change.listed = true;
            if (relative.empty() && !listing.listed) {
                change.musicFolderGone = true;
                gone_ = true;
                forgetBelow("");
            } else {
                change.albums = std::move(listing.albums);
                if (!listing.listed) forgetBelow(relative);
                if (relative.empty()) watchFolder("");  // it may have been made anew
                for (const std::string& folder : listing.above) watchFolder(folder);
            }
        }
        change.coverKeys = albumKeysAround(relative, shared_.depth);
        std::lock_guard<std::mutex> lock(shared_.mutex);
        shared_.changes.push_back(std::move(change));
    }

    LibraryWatch::Shared& shared_;
    std::unique_ptr<platform::FolderWatch> watch_;
    ChangeGatherer gatherer_;
    std::set<std::string> albumWatched_;  // the album folders watched for the frame thread's covers
    bool gone_ = false;                   // the music folder is not there
    bool said_ = false;                   // the line about missing watches was written
};

}  // namespace

void LibraryWatch::Shared::run() {
    Watcher(*this).run();
    std::lock_guard<std::mutex> lock(mutex);
    running = false;
    ended.notify_all();
}

LibraryWatch::LibraryWatch(const std::string& musicPath, int depth, int watchLimit)
    : shared_(std::make_shared<Shared>(musicPath, depth < 1 ? 1 : depth > AlbumsLoader::kMaxDepth ? AlbumsLoader::kMaxDepth : depth,
                                       watchLimit)) {
    std::thread([shared = shared_] { shared->run(); }).detach();
}

LibraryWatch::~LibraryWatch() {
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->stop = true;
    if (!shared_->ended.wait_for(lock, kEndWait, [this] { return !shared_->running; })) threadLeftBehind = true;
}

std::vector<LibraryChange> LibraryWatch::take() {
    std::vector<LibraryChange> changes;
    std::lock_guard<std::mutex> lock(shared_->mutex);
    changes.swap(shared_->changes);
    return changes;
}

void LibraryWatch::watchAlbums(const std::vector<std::string>& keys) {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->wantedAlbums = keys;
    shared_->wantedChanged = true;
}

bool LibraryWatch::leftBehind() { return threadLeftBehind.load(); }
