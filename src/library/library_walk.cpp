#include "library/library_walk.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "library/folder_rules.h"
#include "platform/platform.h"

namespace {

// A folder modified this recently may yet take a change that leaves its time
// as it is (file systems keep times in ticks as coarse as 2 s): its time is
// not kept, and it is listed again next time.
constexpr int64_t kSettledNanoseconds = 2'000'000'000;

int64_t settled(int64_t modified) {
    using namespace std::chrono;
    const int64_t now = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    return modified != 0 && now - modified >= kSettledNanoseconds ? modified : 0;
}

// Calls `each` with every name of a FolderSeen's folders.
template <typename Each>
void forEachName(const std::string& folders, Each each) {
    for (size_t at = 0; at < folders.size();) {
        const size_t end = folders.find('\0', at);
        each(std::string_view(folders).substr(at, end - at));
        at = end + 1;
    }
}

// Adds `name` to (or takes it from) the sub-folders the memory holds of a
// folder, in listing order.
void notePresence(FolderSeen* seen, std::string_view name, bool there) {
    size_t at = 0;
    for (; at < seen->folders.size(); at = seen->folders.find('\0', at) + 1) {
        const std::string_view held(seen->folders.c_str() + at);
        if (held == name) {
            if (!there) seen->folders.erase(at, held.size() + 1);
            return;
        }
        if (platform::listedBefore(name, held)) break;
    }
    if (!there) return;
    std::string entry(name);
    entry += '\0';
    seen->folders.insert(at, entry);
}

struct Look {
    bool there = false;
    bool unchanged = false;  // what the memory holds of it still holds
    FolderSeen seen;         // when listed
};

struct Listing {
    FolderSeen* seen;
    bool mayBeAlbum;  // below the music folder: music, pictures or discs make it an album
};

void take(const platform::FindEntry& entry, void* context) {
    auto* listing = static_cast<Listing*>(context);
    if (isHiddenName(entry.name)) return;
    if (listing->mayBeAlbum && makesAnAlbum(entry)) listing->seen->album = true;
    if (entry.attrib & platform::kAttrSubdir) {
        listing->seen->folders.append(entry.name);
        listing->seen->folders += '\0';
    }
}

// The folder at `path`, `level` levels down, that the memory knows as `known` (or not at all).
Look lookAt(const std::string& path, int level, const FolderSeen* known) {
    Look look;
    if (known && known->modified != 0) {
        int64_t now = 0;
        if (!platform::modifiedTime(path, &now)) return look;  // gone
        if (now == known->modified) {
            look.there = look.unchanged = true;
            return look;
        }
    }
    Listing listing{&look.seen, level > 0};
    int64_t modified = 0;
    look.there = platform::listFolder(path, take, &listing, &modified);
    if (look.seen.album) std::string().swap(look.seen.folders);
    look.seen.modified = settled(modified);
    return look;
}

// How many albums a folder listed `level` levels down makes: itself, or the
// folders in it when they lie at the album level.
size_t albumsIn(const FolderSeen& seen, int level, int depth) {
    if (seen.album) return level > 0 ? 1 : 0;
    return level + 1 >= depth ? size_t(std::count(seen.folders.begin(), seen.folders.end(), '\0')) : 0;
}

void visitAlbums(const FolderMemory& memory, int depth, int level, std::string& key, std::string& caption,
                 const AlbumFound& found) {
    auto at = memory.find(key);
    if (at == memory.end()) return;
    const FolderSeen& seen = at->second;
    if (seen.album) {
        if (level > 0) found(caption, key);
        return;
    }
    const size_t keyLength = key.size(), captionLength = caption.size();
    forEachName(seen.folders, [&](std::string_view name) {
        // The music folder's albums (depth 1): the name is the key and the caption.
        if (keyLength == 0 && level + 1 >= depth) return found(name, name);
        // Deeper, the key and the caption grow in place: no string is made per album.
        key.resize(keyLength);
        caption.resize(captionLength);
        if (keyLength > 0) {
            key += platform::kSeparator;
            caption += " - ";
        }
        key.append(name);
        caption.append(name);
        if (level + 1 >= depth) found(caption, key);
        else visitAlbums(memory, depth, level + 1, key, caption, found);
    });
    key.resize(keyLength);
    caption.resize(captionLength);
}

void visitFolders(const FolderMemory& memory, int depth, int level, const std::string& key,
                  std::vector<std::string>* folders) {
    auto at = memory.find(key);
    if (at == memory.end() || at->second.album) return;
    folders->push_back(key);
    if (level + 1 >= depth) return;
    forEachName(at->second.folders,
                [&](std::string_view name) { visitFolders(memory, depth, level + 1, keyBelow(key, name), folders); });
}

}  // namespace

void forEachAtOnce(size_t count, int threads, const std::function<void(size_t)>& work) {
    const size_t helpers = std::min(count, size_t(std::max(threads, 1))) - (count > 0 ? 1 : 0);
    std::atomic<size_t> next{0};
    const auto run = [&] {
        for (size_t i; (i = next++) < count;) work(i);
    };
    std::vector<std::thread> started;
    for (size_t i = 0; i < helpers; ++i) started.emplace_back(run);
    run();
    for (std::thread& thread : started) thread.join();
}

bool walkFolders(const std::string& musicPath, int depth, const std::string& relative, FolderMemory& memory,
                 int threads, std::atomic<size_t>* albumsListed) {
    depth = clampDepth(depth);
    int level = pathLevel(relative);
    if (level >= depth) return false;
    bool there = false;
    std::vector<std::string> met;  // the folders this walk found there
    // Level by level: the folders of one level are looked at together.
    for (std::vector<std::string> keys{relative}; !keys.empty(); ++level) {
        std::vector<const FolderSeen*> known(keys.size(), nullptr);
        for (size_t i = 0; i < keys.size(); ++i) {
            auto at = memory.find(keys[i]);
            if (at != memory.end()) known[i] = &at->second;
        }
        std::vector<Look> looks(keys.size());
        forEachAtOnce(keys.size(), threads, [&](size_t i) {
            looks[i] = lookAt(pathOfKey(musicPath, keys[i]), level, known[i]);
            if (albumsListed && looks[i].there && !looks[i].unchanged) *albumsListed += albumsIn(looks[i].seen, level, depth);
        });
        std::vector<std::string> next;
        for (size_t i = 0; i < keys.size(); ++i) {
            if (keys[i] == relative) there = looks[i].there;
            if (!looks[i].there) continue;
            FolderSeen& seen = memory[keys[i]];
            if (!looks[i].unchanged) seen = std::move(looks[i].seen);
            met.push_back(keys[i]);
            if (seen.album || level + 1 >= depth) continue;
            forEachName(seen.folders, [&](std::string_view name) { next.push_back(keyBelow(keys[i], name)); });
        }
        keys.swap(next);
    }
    // What the memory held at or below `relative` and the walk did not meet is gone.
    std::sort(met.begin(), met.end());
    for (auto at = memory.lower_bound(relative); at != memory.end();) {
        if (!pathIsAtOrBelow(at->first, relative)) {
            // Keys below `relative` begin with it and a separator; others may sort between.
            if (at->first.compare(0, relative.size(), relative) != 0) break;
            ++at;
            continue;
        }
        at = std::binary_search(met.begin(), met.end(), at->first) ? std::next(at) : memory.erase(at);
    }
    // Its parent learns whether it is there, so that the albums read off
    // the memory from further up take it in (or leave it out) too.
    if (!relative.empty()) {
        const size_t cut = relative.rfind(platform::kSeparator);
        auto parent = memory.find(cut == std::string::npos ? std::string() : relative.substr(0, cut));
        if (parent != memory.end() && !parent->second.album)
            notePresence(&parent->second, cut == std::string::npos ? relative : relative.substr(cut + 1), there);
    }
    return there;
}

FolderTimes timesKnown(const FolderMemory& memory) {
    FolderTimes times;
    times.reserve(memory.size());
    for (const auto& [key, seen] : memory) times.push_back({key, seen.modified});
    return times;
}

std::vector<std::string> foldersChanged(const std::string& musicPath, const FolderTimes& folders, int threads,
                                        const std::atomic<bool>* stop) {
    std::vector<char> changed(folders.size(), 0);
    forEachAtOnce(folders.size(), threads, [&](size_t i) {
        if (stop && *stop) return;
        int64_t now = 0;
        changed[i] = folders[i].second == 0 || !platform::modifiedTime(pathOfKey(musicPath, folders[i].first), &now) ||
                     now != folders[i].second;
    });
    std::vector<std::string> keys;
    for (size_t i = 0; i < folders.size(); ++i)
        if (changed[i]) keys.push_back(folders[i].first);
    return keys;
}

void albumsKnown(const FolderMemory& memory, int depth, const std::string& relative, const AlbumFound& found) {
    depth = clampDepth(depth);
    const int level = pathLevel(relative);
    if (level >= depth) return;
    std::string key = relative, caption = captionOfKey(relative);
    visitAlbums(memory, depth, level, key, caption, found);
}

std::vector<std::string> foldersAboveKnown(const FolderMemory& memory, int depth, const std::string& relative) {
    std::vector<std::string> folders;
    depth = clampDepth(depth);
    const int level = pathLevel(relative);
    if (level < depth) visitFolders(memory, depth, level, relative, &folders);
    return folders;
}
