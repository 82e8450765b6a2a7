// Folder change watch on inotify: one watch per folder, read without a
// thread of its own by whoever calls wait().
#include <linux/magic.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <set>

#include "platform/platform.h"

namespace platform {
namespace {

// What is watched in each folder: entries made, removed, renamed or written
// to, and the folder itself going away.
constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_MODIFY |
                                IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// File systems whose changes made elsewhere never reach this kernel's inotify.
bool tellsNoChanges(const std::string& folder) {
    struct statfs about;
    if (statfs(folder.c_str(), &about) != 0) return false;
    switch (static_cast<unsigned long>(about.f_type)) {
        case NFS_SUPER_MAGIC:
        case SMB_SUPER_MAGIC:
        case 0xFF534D42UL:  // CIFS
        case 0xFE534D42UL:  // SMB2
        case 0x01021997UL:  // 9P (v9fs)
        case CODA_SUPER_MAGIC:
        case 0x6B414653UL:  // AFS
        case 0x00C36400UL:  // Ceph
        case 0x47504653UL:  // GPFS
            return true;
        default:
            return false;
    }
}

bool isBelow(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

class InotifyWatch : public FolderWatch {
public:
    explicit InotifyWatch(int limit) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), limit_(limit) {}
    ~InotifyWatch() override {
        if (fd_ >= 0) close(fd_);
    }

    Added watch(const std::string& folder) override {
        if (fd_ < 0) return Added::Limit;  // no inotify instance to be had
        if (watched_.count(folder)) return Added::Watching;
        if (limit_ >= 0 && watched_.size() >= size_t(limit_)) return Added::Limit;
        if (tellsNoChanges(folder)) return Added::NoEvents;
        const int wd = inotify_add_watch(fd_, folder.c_str(), kWatchMask);
        if (wd < 0) return errno == ENOSPC || errno == ENOMEM ? Added::Limit : Added::Failed;
        // Two names of one folder (a link) share a watch descriptor: the last name given wins.
        auto old = folders_.find(wd);
        if (old != folders_.end()) watched_.erase(old->second);
        folders_[wd] = folder;
        watched_[folder] = wd;
        return Added::Watching;
    }

    void unwatch(const std::string& folder) override { drop(folder, true); }

    std::vector<std::string> wait(uint32_t milliseconds, bool* overflow) override {
        *overflow = false;
        std::set<std::string> changed;
        if (fd_ < 0) {
            delay(milliseconds);
            return {};
        }
        pollfd ready = {fd_, POLLIN, 0};
        if (poll(&ready, 1, int(milliseconds)) <= 0) return {};
        alignas(inotify_event) char buffer[16 * 1024];
        for (;;) {
            const ssize_t got = read(fd_, buffer, sizeof buffer);
            if (got <= 0) break;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += ssize_t(sizeof(inotify_event) + event->len);
                if (event->mask & IN_Q_OVERFLOW) *overflow = true;
                auto folder = folders_.find(event->wd);
                if (folder == folders_.end()) continue;
                changed.insert(folder->second);
                // The folder went, and its watch with it; or it was moved away,
                // and its watch would follow it under a name that is no longer
                // its own (and a new folder of that name would count as
                // watched). The folders below it moved with it, or went.
                if (event->mask & (IN_IGNORED | IN_MOVE_SELF)) drop(folder->second, event->mask & IN_MOVE_SELF);
            }
        }
        return std::vector<std::string>(changed.begin(), changed.end());
    }

private:
    // Forgets the watches of `folder` and of the folders below it, removing
    // them from inotify too when `remove` (a watch the system dropped already
    // needs no removal; one of a folder still there does).
    void drop(std::string folder, bool remove) {
        auto at = watched_.find(folder);
        if (at != watched_.end()) {
            if (remove) inotify_rm_watch(fd_, at->second);
            folders_.erase(at->second);
            watched_.erase(at);
        }
        // The names below it sort together: all begin with the folder and a slash.
        for (at = watched_.lower_bound(folder + '/'); at != watched_.end() && isBelow(at->first, folder);) {
            inotify_rm_watch(fd_, at->second);
            folders_.erase(at->second);
            at = watched_.erase(at);
        }
    }

    int fd_;
    int limit_;                           // at most this many watches; negative: the system's limit
    std::map<int, std::string> folders_;  // watch descriptor -> folder
    std::map<std::string, int> watched_;  // folder -> watch descriptor; kept true as the system drops watches
};

}  // namespace

std::unique_ptr<FolderWatch> makeFolderWatch(int limit) { return std::make_unique<InotifyWatch>(limit); }

}  // namespace platform
