#include "library/library_watch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "library/change_gatherer.h"
#include "library/folder_rules.h"
#include "library/indexed_folders.h"
#include "library/library_index.h"
#include "platform/log_text.h"
#include "platform/platform.h"

namespace {

// The longest the thread waits for changes before it looks at its inbox and
// its stop flag again.
const uint32_t kLookAgainMs = 200;
// How often a music folder that went is looked for again.
const uint32_t kGoneCheckMs = 1000;
// The folders looked at in one go before the changed ones among them are
// listed: a fraction of a second's round trips on a share.
const size_t kLookBatch = 16 * kListingThreads;
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

std::string unwatchedLine(const std::string& musicPath, bool limitReached, uint32_t rescanMs) {
    char every[32];
    if (rescanMs % 1000 == 0) std::snprintf(every, sizeof every, "%u s", unsigned(rescanMs / 1000));
    else std::snprintf(every, sizeof every, "%.1f s", rescanMs / 1000.0);
    const std::string folder = platform::printable(musicPath);
    return std::string("vellora: ") +
           (limitReached ? "the system has no folder watches left to follow " + folder
                         : folder + " lies on a file system that does not tell of changes") +
           (rescanMs > 0 ? std::string("; it is listed again every ") + every + " to follow it (rescaninterval)\n"
                         : "; albums added or removed there show at the next start\n");
}

struct LibraryWatch::Shared {
    Shared(const std::string& musicPath, int depth, int watchLimit, uint32_t rescanMs, FolderMemory known,
           WatchIndex index)
        : musicPath(musicPath), depth(depth), watchLimit(watchLimit), rescanMs(rescanMs), known(std::move(known)),
          index(index) {}

    const std::string musicPath;
    const int depth;
    const int watchLimit;
    const uint32_t rescanMs;
    FolderMemory known;  // the watching thread's from its start
    const WatchIndex index;

    std::atomic<bool> stopping{false};       // read between steps, and by the looks made at once
    std::mutex mutex;
    std::condition_variable ended;
    bool running = true;                     // under mutex
    std::vector<LibraryChange> changes;      // under mutex: found, not yet taken
    std::vector<WatchedAlbum> wantedAlbums;  // under mutex: album folders to follow
    bool wantedChanged = false;              // under mutex

    void run();
};

namespace {

// What a re-listing knows of an album folder followed for its cover.
struct AlbumTimes {
    std::string coverFile;
    int64_t folder = 0;  // 0: not there when looked at
    int64_t cover = 0;
};

// The watching thread's own state; nothing of it is shared.
class Watcher {
public:
    explicit Watcher(LibraryWatch::Shared& shared)
        : shared_(shared), watch_(platform::makeFolderWatch(shared.watchLimit)), memory_(std::move(shared.known)) {}

    void run() {
        platform::lowerThreadPriority();
        const bool walked = memory_.empty();
        if (walked) walkFolders(shared_.musicPath, shared_.depth, "", memory_);
        LibraryIndex* index = shared_.index.index;
        if (index && !shared_.index.fromIndex)
            for (IndexChanges& group : changesOfMemory(memory_, shared_.depth)) index->write(std::move(group));
        watchTree();
        if (shared_.index.fromIndex) {
            // The library came from the index: the walk that reconciles it
            // with the folder, listing only what changed since.
            for (const uint32_t start = steadyTicks(); !stopping() && steadyTicks() - start < shared_.index.holdMs;)
                std::this_thread::sleep_for(std::chrono::milliseconds(std::min<uint32_t>(kLookAgainMs, shared_.index.holdMs)));
            if (!stopping()) lookAgain(steadyTicks(), true);
        } else if (!walked && !polling_) {
            // What changed between the scan's listing and the watches' start;
            // where no watch holds, the first look comes after an interval.
            lookAgain(steadyTicks(), false);
        }
        uint32_t lastGoneCheck = steadyTicks(), lastLook = steadyTicks();
        while (!stopping()) {
            uint32_t wait = gatherer_.untilNextQuiet(steadyTicks(), kLookAgainMs);
            bool overflow = false;
            const std::vector<std::string> folders = watch_->wait(wait, &overflow);
            uint32_t now = steadyTicks();
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
            if (polling_ && shared_.rescanMs > 0 && now - lastLook >= shared_.rescanMs && !gone_) {
                // Every interval from the last look's start: a folder is looked
                // at about once an interval, however long a look takes.
                lastLook = now;
                lookAgain(now, true);
                now = steadyTicks();
            }
            for (const std::string& relative : gatherer_.takeQuiet(now)) listAgain(relative);
        }
    }

private:
    bool stopping() const { return shared_.stopping; }

    std::string pathOf(const std::string& relative) const { return pathOfKey(shared_.musicPath, relative); }

    bool relativeOf(const std::string& folder, std::string* relative) const {
        const std::string& root = shared_.musicPath;
        if (folder == root) {
            relative->clear();
            return true;
        }
        // A root ("/", "D:\") ends in the separator the names below it begin after.
        const size_t start = root.size() + (!root.empty() && root.back() == platform::kSeparator ? 0 : 1);
        if (folder.size() <= start || folder.compare(0, root.size(), root) != 0 ||
            folder[start - 1] != platform::kSeparator)
            return false;
        *relative = folder.substr(start);
        return true;
    }

    // The music folder and the folders above the album level, as the walk knows them.
    void watchTree() {
        if (!watchFolder("")) return;
        for (const std::string& folder : foldersAboveKnown(memory_, shared_.depth, ""))
            if (!folder.empty()) watchFolder(folder);
    }

    // Whether the folder is watched, asked of the system's watch each time: it
    // alone knows when a folder went and took its watch with it. A refusal
    // for want of watches makes the thread look at the folders' times instead.
    bool watchFolder(const std::string& relative) {
        if (!watchable_) return false;
        const platform::FolderWatch::Added added = watch_->watch(pathOf(relative));
        switch (added) {
            case platform::FolderWatch::Added::Watching:
                return true;
            case platform::FolderWatch::Added::Limit:
            case platform::FolderWatch::Added::NoEvents: {
                const bool limit = added == platform::FolderWatch::Added::Limit;
                if (!said_) std::fputs(unwatchedLine(shared_.musicPath, limit, shared_.rescanMs).c_str(), stderr);
                said_ = true;
                polling_ = true;
                // Nothing more is asked of a watch the music folder itself cannot have.
                if (relative.empty()) watchable_ = false;
                return false;
            }
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
        for (auto at = albumTimes_.begin(); at != albumTimes_.end();)
            at = pathIsAtOrBelow(at->first, relative) ? albumTimes_.erase(at) : std::next(at);
    }

    void followWantedAlbums() {
        std::vector<WatchedAlbum> wanted;
        {
            std::lock_guard<std::mutex> lock(shared_.mutex);
            if (!shared_.wantedChanged) return;
            shared_.wantedChanged = false;
            wanted.swap(shared_.wantedAlbums);
        }
        std::map<std::string, std::string> keep;  // key -> cover file
        for (WatchedAlbum& album : wanted) keep.emplace(std::move(album.key), std::move(album.coverFile));
        for (auto at = albumWatched_.begin(); at != albumWatched_.end();) {
            if (keep.count(*at)) {
                ++at;
                continue;
            }
            watch_->unwatch(pathOf(*at));
            at = albumWatched_.erase(at);
        }
        for (auto at = albumTimes_.begin(); at != albumTimes_.end();)
            at = keep.count(at->first) ? std::next(at) : albumTimes_.erase(at);
        if (gone_) return;
        for (const auto& [key, coverFile] : keep) {
            if (watchFolder(key)) albumWatched_.insert(key);
            if (!polling_) continue;
            // What the next looks compare with: the folder's time and its cover file's now.
            auto known = albumTimes_.find(key);
            if (known != albumTimes_.end() && known->second.coverFile == coverFile) continue;
            AlbumTimes& times = albumTimes_[key];
            times.coverFile = coverFile;
            lookAtAlbum(key, &times);
        }
    }

    void lookAtAlbum(const std::string& key, AlbumTimes* times) {
        if (!platform::modifiedTime(pathOf(key), &times->folder)) times->folder = 0;
        if (times->coverFile.empty() || !platform::modifiedTime(times->coverFile, &times->cover)) times->cover = 0;
    }

    // Looks at the time of every folder the walk knows and of every album
    // folder (and cover file) followed, a few at once, and hands those that
    // changed on to be listed again. `atOnce` lists a changed folder as soon
    // as its batch has been looked at (a change a look finds is a while old
    // already, and a look of thousands of folders on a share takes seconds);
    // otherwise it waits to be quiet like one the watch told of.
    void lookAgain(uint32_t now, bool atOnce) {
        const FolderTimes folders = timesKnown(memory_);
        for (size_t at = 0; at < folders.size() && !stopping(); at += kLookBatch) {
            const FolderTimes batch(folders.begin() + long(at), folders.begin() + long(std::min(at + kLookBatch, folders.size())));
            for (const std::string& folder : foldersChanged(shared_.musicPath, batch, kListingThreads, &shared_.stopping)) {
                if (!atOnce) gatherer_.changed(folder, now);
                else if (!stopping()) listAgain(folder);
            }
        }
        std::vector<std::pair<std::string, AlbumTimes>> albums(albumTimes_.begin(), albumTimes_.end());
        forEachAtOnce(albums.size(), kListingThreads, [&](size_t i) {
            if (!stopping()) lookAtAlbum(albums[i].first, &albums[i].second);
        });
        if (stopping()) return;
        const uint32_t when = atOnce ? now - kQuietBeforeListing : now;
        for (const auto& [key, times] : albums) {
            AlbumTimes& known = albumTimes_[key];
            if (times.folder != known.folder || times.cover != known.cover) gatherer_.changed(key, when);
            known = times;
        }
    }

    void listAgain(const std::string& relative) {
        LibraryChange change;
        change.folder = relative;
        if (pathLevel(relative) < shared_.depth) {
            LibraryIndex* index = shared_.index.index;
            std::vector<std::string> foldersBefore;
            if (index) foldersBefore = foldersAboveKnown(memory_, shared_.depth, relative);
            bool there = false;
            change.albums = walkAgain(shared_.musicPath, shared_.depth, relative, memory_, &there);
            change.listed = true;
            // A music folder gone (a share unmounted) is not an empty library:
            // the index keeps its albums for when it is back.
            if (index && (there || !relative.empty()))
                index->write(changesOfListing(memory_, shared_.depth, relative, change.albums, foldersBefore));
            if (relative.empty() && !there) {
                change.musicFolderGone = true;
                gone_ = true;
                forgetBelow("");
            } else {
                if (!there) forgetBelow(relative);
                if (relative.empty()) watchFolder("");  // it may have been made anew
                for (const std::string& folder : foldersAboveKnown(memory_, shared_.depth, relative)) watchFolder(folder);
            }
        }
        change.coverKeys = albumKeysAround(relative, shared_.depth);
        std::lock_guard<std::mutex> lock(shared_.mutex);
        shared_.changes.push_back(std::move(change));
    }

    LibraryWatch::Shared& shared_;
    std::unique_ptr<platform::FolderWatch> watch_;
    FolderMemory memory_;                 // what the walks saw of the folders above the album level
    ChangeGatherer gatherer_;
    std::set<std::string> albumWatched_;  // the album folders watched for the frame thread's covers
    std::map<std::string, AlbumTimes> albumTimes_;  // the same, followed by their times where unwatched
    bool gone_ = false;                   // the music folder is not there
    bool said_ = false;                   // the line about missing watches was written
    bool polling_ = false;                // some folder has no watch: times are looked at
    bool watchable_ = true;               // the music folder took a watch, or has not been refused one
};

}  // namespace

void LibraryWatch::Shared::run() {
    Watcher(*this).run();
    std::lock_guard<std::mutex> lock(mutex);
    running = false;
    ended.notify_all();
}

LibraryWatch::LibraryWatch(const std::string& musicPath, int depth, int watchLimit, uint32_t rescanMs, FolderMemory known,
                           WatchIndex index)
    : shared_(std::make_shared<Shared>(musicPath, clampDepth(depth), watchLimit, rescanMs, std::move(known), index)) {
    std::thread([shared = shared_] { shared->run(); }).detach();
}

LibraryWatch::~LibraryWatch() {
    shared_->stopping = true;
    std::unique_lock<std::mutex> lock(shared_->mutex);
    if (!shared_->ended.wait_for(lock, kEndWait, [this] { return !shared_->running; })) threadLeftBehind = true;
}

std::vector<LibraryChange> LibraryWatch::take() {
    std::vector<LibraryChange> changes;
    std::lock_guard<std::mutex> lock(shared_->mutex);
    changes.swap(shared_->changes);
    return changes;
}

void LibraryWatch::watchAlbums(const std::vector<WatchedAlbum>& albums) {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->wantedAlbums = albums;
    shared_->wantedChanged = true;
}

bool LibraryWatch::leftBehind() { return threadLeftBehind.load(); }
