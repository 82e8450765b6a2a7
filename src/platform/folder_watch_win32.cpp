// Folder change watch on Windows: ReadDirectoryChangesW over the whole tree
// below a watched folder (a root), read with overlapped I/O on a thread of its
// own. A folder below a root is watched already. The thread owns the handles;
// what it shares with the callers (the changed folders, the roots' names, the
// requests to open or close a root) sits behind one mutex.
//
// Network drives and UNC paths are refused as NoEvents: a share may accept the
// call and then tell nothing (servers that do not pass changes on, changes
// made on the server's own disk by other means, a reconnect that silently
// drops the request), and a library that quietly goes stale is worse than one
// that says once that it does not follow the folder. The Linux side refuses
// SMB and NFS mounts for the same reason.
#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "platform/platform.h"
#include "platform/text_win32.h"

namespace platform {
namespace {

// Entries made, removed or renamed, and files written to.
constexpr DWORD kNotifyFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
constexpr DWORD kBufferBytes = 64 * 1024;
// A root renamed away keeps its handle and its events and tells nothing of
// the rename, and one removed is only marked for deletion while the handle
// stays open, so the thread looks at each root's path this often.
constexpr ULONGLONG kRootCheckMs = 1000;
// The thread waits on one event per root and its wake-up event.
constexpr size_t kMostRoots = MAXIMUM_WAIT_OBJECTS - 1;
// How long a closing root waits for its cancelled read to end.
constexpr DWORD kCancelWaitMs = 2000;

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool lacksResources(DWORD error) {
    switch (error) {
        case ERROR_NO_SYSTEM_RESOURCES:
        case ERROR_NONPAGED_SYSTEM_RESOURCES:
        case ERROR_PAGED_SYSTEM_RESOURCES:
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
        case ERROR_NOT_ENOUGH_QUOTA:
        case ERROR_TOO_MANY_OPEN_FILES:
            return true;
        default:
            return false;
    }
}

bool onNetwork(const std::wstring& path) {
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return true;
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]))
        return !(path.size() >= 3 && (path[2] == L'?' || path[2] == L'.'));  // \\?\C:\ and devices are local
    std::wstring volume(path.size() + MAX_PATH + 1, L'\0');
    if (!GetVolumePathNameW(path.c_str(), &volume[0], DWORD(volume.size()))) return false;
    return GetDriveTypeW(volume.c_str()) == DRIVE_REMOTE;
}

// Which file a handle opens: the volume and the file's number on it.
struct Identity {
    DWORD volume = 0, high = 0, low = 0;
    bool operator==(const Identity& other) const {
        return volume == other.volume && high == other.high && low == other.low;
    }
};

bool identify(HANDLE handle, Identity* identity, bool* isFolder) {
    BY_HANDLE_FILE_INFORMATION about;
    if (!GetFileInformationByHandle(handle, &about)) return false;
    *identity = {about.dwVolumeSerialNumber, about.nFileIndexHigh, about.nFileIndexLow};
    *isFolder = (about.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return true;
}

// False when `path` no longer opens the folder `identity` names: it was
// removed (a folder marked for deletion refuses to open), or renamed away.
bool stillThere(const std::wstring& path, const Identity& identity) {
    HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return !(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_ACCESS_DENIED ||
                 error == ERROR_DELETE_PENDING);  // anything else may pass: the root is kept
    }
    Identity now;
    bool isFolder = false;
    const bool known = identify(handle, &now, &isFolder);
    CloseHandle(handle);
    return !known || (isFolder && now == identity);
}

bool endsInSeparator(const std::string& folder) {
    return !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
}

// `folder` joined to `relative` as the library joins names.
std::string joined(const std::string& folder, const std::string& relative) {
    return endsInSeparator(folder) ? folder + relative : folder + kSeparator + relative;
}

bool isBelow(const std::string& folder, const std::string& root) {
    if (folder.size() <= root.size() || folder.compare(0, root.size(), root) != 0) return false;
    return endsInSeparator(root) || folder[root.size()] == '\\' || folder[root.size()] == '/';
}

struct Root {
    std::string folder;  // as watch() was given it
    std::wstring wide;
    Identity identity;
    HANDLE handle = INVALID_HANDLE_VALUE;
    HANDLE done = nullptr;  // the event of the read under way
    OVERLAPPED overlapped = {};
    bool reading = false;
    std::unique_ptr<DWORD[]> buffer{new DWORD[kBufferBytes / sizeof(DWORD)]};  // DWORD-aligned, as the call needs
};

// A root to open (handle set, answered through the pointers) or to close.
struct Request {
    std::string folder;
    std::wstring wide;
    Identity identity;
    HANDLE handle = INVALID_HANDLE_VALUE;  // INVALID_HANDLE_VALUE: close the root named `folder`
    FolderWatch::Added* result = nullptr;
    bool* answered = nullptr;
};

class DirectoryChangesWatch : public FolderWatch {
public:
    explicit DirectoryChangesWatch(int limit) : limit_(limit), wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
        if (wake_) thread_ = std::thread([this] { run(); });
    }

    ~DirectoryChangesWatch() override {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            stopping_ = true;
            changedOrStopping_.notify_all();
            answered_.wait(lock, [this] { return waiters_ == 0; });
        }
        if (!wake_) return;
        SetEvent(wake_);
        thread_.join();
        CloseHandle(wake_);
    }

    Added watch(const std::string& folder) override {
        if (folder.empty()) return Added::Failed;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!wake_ || stopping_) return Added::Limit;
            for (const std::string& root : roots_)
                if (folder == root || isBelow(folder, root)) return Added::Watching;
            if (limit_ >= 0 && roots_.size() >= size_t(limit_)) return Added::Limit;
        }
        const std::wstring wide = wideFromUtf8(folder);
        if (onNetwork(wide)) return Added::NoEvents;
        HANDLE handle = CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return lacksResources(GetLastError()) ? Added::Limit : Added::Failed;
        Identity identity;
        bool isFolder = false;
        if (!identify(handle, &identity, &isFolder) || !isFolder) {
            CloseHandle(handle);
            return Added::Failed;
        }
        Added result = Added::Failed;
        bool answered = false;
        std::unique_lock<std::mutex> lock(mutex_);
        if (roots_.size() >= kMostRoots) {
            CloseHandle(handle);
            return Added::Limit;
        }
        requests_.push_back({folder, wide, identity, handle, &result, &answered});
        SetEvent(wake_);
        answered_.wait(lock, [&] { return answered; });
        return result;
    }

    // Closes the roots at and below `folder`; a folder below a root stays
    // watched with the rest of its tree.
    void unwatch(const std::string& folder) override {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto root = roots_.begin(); root != roots_.end();) {
            if (*root != folder && !isBelow(*root, folder)) {
                ++root;
                continue;
            }
            const std::string closed = *root;
            root = roots_.erase(root);
            for (auto at = changed_.begin(); at != changed_.end();)
                at = *at == closed || isBelow(*at, closed) ? changed_.erase(at) : std::next(at);
            requests_.push_back({closed, {}, {}, INVALID_HANDLE_VALUE, nullptr, nullptr});
        }
        SetEvent(wake_);
    }

    std::vector<std::string> wait(uint32_t milliseconds, bool* overflow) override {
        std::unique_lock<std::mutex> lock(mutex_);
        *overflow = false;
        ++waiters_;
        changedOrStopping_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                    [this] { return stopping_ || overflow_ || !changed_.empty(); });
        --waiters_;
        if (stopping_) {
            answered_.notify_all();  // the destructor waits for every waiter to leave
            return {};
        }
        *overflow = overflow_;
        overflow_ = false;
        std::vector<std::string> changed(changed_.begin(), changed_.end());
        changed_.clear();
        return changed;
    }

private:
    // ------------------------------------------------ the watching thread
    void run() {
        ULONGLONG checked = GetTickCount64();
        for (;;) {
            serveRequests();
            if (isStopping()) break;
            std::vector<HANDLE> events{wake_};
            for (const auto& root : opened_) events.push_back(root->done);
            const DWORD woke = WaitForMultipleObjects(DWORD(events.size()), events.data(), FALSE, DWORD(kRootCheckMs));
            if (woke > WAIT_OBJECT_0 && woke < WAIT_OBJECT_0 + events.size()) read(woke - WAIT_OBJECT_0 - 1);
            if (GetTickCount64() - checked >= kRootCheckMs) {
                checked = GetTickCount64();
                for (size_t at = opened_.size(); at-- > 0;)
                    if (!stillThere(opened_[at]->wide, opened_[at]->identity)) lose(at);
            }
        }
        while (!opened_.empty()) close(opened_.size() - 1);
        serveRequests();  // a watch() still waiting gets its answer
    }

    bool isStopping() {
        std::lock_guard<std::mutex> lock(mutex_);
        return stopping_;
    }

    void serveRequests() {
        std::deque<Request> requests;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests.swap(requests_);
        }
        for (Request& request : requests) {
            if (request.handle == INVALID_HANDLE_VALUE) {
                for (size_t at = 0; at < opened_.size(); ++at)
                    if (opened_[at]->folder == request.folder) {
                        close(at);
                        break;
                    }
                continue;
            }
            Added result = Added::Failed;
            if (isStopping())
                CloseHandle(request.handle);
            else
                result = open(request);
            std::lock_guard<std::mutex> lock(mutex_);
            *request.result = result;
            *request.answered = true;
            answered_.notify_all();
        }
    }

    Added open(const Request& request) {
        for (const auto& root : opened_)
            if (request.folder == root->folder || isBelow(request.folder, root->folder)) {
                CloseHandle(request.handle);  // another caller opened it first
                return Added::Watching;
            }
        if (opened_.size() >= kMostRoots) {  // callers at once past watch()'s own count
            CloseHandle(request.handle);
            return Added::Limit;
        }
        auto root = std::make_unique<Root>();
        root->folder = request.folder;
        root->wide = request.wide;
        root->identity = request.identity;
        root->handle = request.handle;
        root->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        const DWORD error = root->done ? startRead(*root) : GetLastError();
        if (error != ERROR_SUCCESS) {
            if (root->done) CloseHandle(root->done);
            CloseHandle(root->handle);
            if (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED) return Added::NoEvents;
            return lacksResources(error) ? Added::Limit : Added::Failed;
        }
        // A root above roots already open takes their trees over.
        for (size_t at = opened_.size(); at-- > 0;)
            if (isBelow(opened_[at]->folder, root->folder)) {
                forget(opened_[at]->folder);
                close(at);
            }
        std::lock_guard<std::mutex> lock(mutex_);
        roots_.push_back(root->folder);
        opened_.push_back(std::move(root));
        return Added::Watching;
    }

    DWORD startRead(Root& root) {
        root.overlapped = {};
        root.overlapped.hEvent = root.done;
        ResetEvent(root.done);
        if (!ReadDirectoryChangesW(root.handle, root.buffer.get(), kBufferBytes, TRUE, kNotifyFilter, nullptr,
                                   &root.overlapped, nullptr))
            return GetLastError();
        root.reading = true;
        return ERROR_SUCCESS;
    }

    // The read of opened_[at] has ended: tell what it found and read on.
    void read(size_t at) {
        Root& root = *opened_[at];
        DWORD bytes = 0;
        const bool ok = GetOverlappedResult(root.handle, &root.overlapped, &bytes, FALSE);
        const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
        if (!ok && error == ERROR_IO_INCOMPLETE) return;
        root.reading = false;
        if (!ok && error != ERROR_NOTIFY_ENUM_DIR) {  // the root went, or its handle failed
            lose(at);
            return;
        }
        if (!ok || bytes == 0) {
            tell({}, true);  // more changes than the buffer holds
        } else {
            tell(changedFolders(root, bytes), false);
        }
        if (startRead(root) != ERROR_SUCCESS) lose(at);
    }

    // The folders holding the entries the buffer's records name.
    static std::set<std::string> changedFolders(const Root& root, DWORD bytes) {
        std::set<std::string> folders;
        const auto* base = reinterpret_cast<const BYTE*>(root.buffer.get());
        for (DWORD offset = 0;;) {
            if (offset + sizeof(FILE_NOTIFY_INFORMATION) > bytes) break;
            const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(base + offset);
            const size_t nameAt = offset + offsetof(FILE_NOTIFY_INFORMATION, FileName);
            if (nameAt + record->FileNameLength > bytes) break;
            std::wstring name(record->FileName, record->FileNameLength / sizeof(WCHAR));
            std::replace(name.begin(), name.end(), L'/', L'\\');
            const size_t slash = name.rfind(L'\\');
            folders.insert(slash == std::wstring::npos ? root.folder
                                                       : joined(root.folder, utf8FromWide(name.substr(0, slash))));
            if (record->NextEntryOffset == 0) break;
            offset += record->NextEntryOffset;
        }
        return folders;
    }

    // Hands changes to wait(), leaving out those of roots closed meanwhile.
    void tell(const std::set<std::string>& folders, bool overflow) {
        std::lock_guard<std::mutex> lock(mutex_);
        bool told = false;
        for (const std::string& folder : folders)
            for (const std::string& root : roots_)
                if (folder == root || isBelow(folder, root)) {
                    told = changed_.insert(folder).second || told;
                    break;
                }
        if (overflow) overflow_ = told = true;
        if (told) changedOrStopping_.notify_all();
    }

    // The root went (removed, moved away) or its handle failed: it is told as
    // changed and closed, and a later watch() may open it again.
    void lose(size_t at) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto root = std::find(roots_.begin(), roots_.end(), opened_[at]->folder);
            if (root != roots_.end()) {  // not when unwatched meanwhile
                changed_.insert(*root);
                roots_.erase(root);
                changedOrStopping_.notify_all();
            }
        }
        close(at);
    }

    void forget(const std::string& folder) {
        std::lock_guard<std::mutex> lock(mutex_);
        roots_.erase(std::remove(roots_.begin(), roots_.end(), folder), roots_.end());
    }

    void close(size_t at) {
        std::unique_ptr<Root> root = std::move(opened_[at]);
        opened_.erase(opened_.begin() + ptrdiff_t(at));
        if (root->reading) {
            CancelIoEx(root->handle, &root->overlapped);
            if (WaitForSingleObject(root->done, kCancelWaitMs) != WAIT_OBJECT_0) {
                // The system may still write into the buffer and signal the
                // event: both are left to it rather than freed under it.
                CloseHandle(root->handle);
                root.release();
                return;
            }
        }
        CloseHandle(root->handle);
        CloseHandle(root->done);
    }

    const int limit_;  // at most this many roots; negative: as many as can be waited on
    std::vector<std::unique_ptr<Root>> opened_;  // the open roots: the thread's own

    std::mutex mutex_;
    std::condition_variable changedOrStopping_;  // wait() sleeps on it
    std::condition_variable answered_;           // watch() and the destructor sleep on it
    std::set<std::string> changed_;
    bool overflow_ = false;
    bool stopping_ = false;
    int waiters_ = 0;
    std::vector<std::string> roots_;  // the roots' folders, as given
    std::deque<Request> requests_;
    HANDLE wake_;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<FolderWatch> makeFolderWatch(int limit) { return std::make_unique<DirectoryChangesWatch>(limit); }

}  // namespace platform
