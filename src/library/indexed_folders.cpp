#include "library/indexed_folders.h"

#include <algorithm>
#include <map>
#include <set>

#include "library/folder_rules.h"
#include "platform/platform.h"

namespace {

// The number of parts of `key` when each is a name a walk could have listed
// (not empty, not hidden) and there are at most `most`; 0 otherwise.
int walkableParts(std::string_view key, int most) {
    if (key.empty() || key.find('\0') != std::string_view::npos) return 0;
    int parts = 0;
    for (size_t at = 0;;) {
        const size_t end = key.find(platform::kSeparator, at);
        if (isHiddenName(key.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at)) ||
            ++parts > most)
            return 0;
        if (end == std::string_view::npos) return parts;
        at = end + 1;
    }
}

// The memory being built from rows: each folder learns the names below it.
// Rows come in the library's order, so a folder's names mostly come in
// listing order and each one once after another; what does not is sorted
// at the end.
class MemoryBuilder {
public:
    explicit MemoryBuilder(FolderMemory& memory) : memory_(memory) {}

    // Every folder above `key` (which has `parts` parts) notes the part below it.
    void noteParts(std::string_view key, int parts) {
        size_t end = 0;
        for (int level = 0; level < parts; ++level) {
            const size_t start = level == 0 ? 0 : end + 1;
            end = level + 1 == parts ? key.size() : key.find(platform::kSeparator, start);
            FolderSeen& parent = folderAt(level, key.substr(0, level == 0 ? 0 : start - 1));
            appendOnce(parent.folders, key.substr(start, end - start));
        }
    }

    // Puts each folder's names in listing order, once each.
    void finish() {
        for (auto& [key, seen] : memory_) {
            std::vector<std::string_view> names;
            for (size_t at = 0; at < seen.folders.size();) {
                const size_t end = seen.folders.find('\0', at);
                names.push_back(std::string_view(seen.folders).substr(at, end - at));
                at = end + 1;
            }
            const auto before = [](std::string_view a, std::string_view b) { return platform::listedBefore(a, b); };
            if (std::adjacent_find(names.begin(), names.end(), [&](auto a, auto b) { return !before(a, b); }) ==
                names.end())
                continue;
            std::sort(names.begin(), names.end(), before);
            names.erase(std::unique(names.begin(), names.end()), names.end());
            std::string sorted;
            for (std::string_view name : names) sorted.append(name).push_back('\0');
            seen.folders.swap(sorted);
        }
    }

private:
    // The folder `key` at `level`, remembered per level: an artist's albums
    // come one after another.
    FolderSeen& folderAt(int level, std::string_view key) {
        if (size_t(level) >= cache_.size()) cache_.resize(size_t(level) + 1);
        Cached& cached = cache_[size_t(level)];
        if (!cached.seen || cached.key != key) {
            cached.key.assign(key);
            cached.seen = &memory_[cached.key];
        }
        return *cached.seen;
    }

    static void appendOnce(std::string& folders, std::string_view name) {
        const size_t size = name.size() + 1;
        if (folders.size() >= size && folders.compare(folders.size() - size, name.size(), name) == 0 &&
            (folders.size() == size || folders[folders.size() - size - 1] == '\0'))
            return;
        folders.append(name).push_back('\0');
    }

    struct Cached {
        std::string key;
        FolderSeen* seen = nullptr;  // map nodes stay where they are
    };
    FolderMemory& memory_;
    std::vector<Cached> cache_;
};

std::string_view parentOf(std::string_view key) {
    const size_t cut = key.rfind(platform::kSeparator);
    return cut == std::string_view::npos ? std::string_view() : key.substr(0, cut);
}

int64_t albumTime(const FolderMemory& memory, const std::string& key) {
    auto at = memory.find(key);
    return at != memory.end() && at->second.album ? at->second.modified : 0;
}

}  // namespace

bool readIndexedFolders(LibraryIndex& index, int depth, FolderMemory* memory, std::string* lastAlbum) {
    depth = clampDepth(depth);
    memory->clear();
    MemoryBuilder builder(*memory);
    size_t albums = 0;
    IndexedLibrary library;
    const bool read = index.read(&library, [&](const IndexedAlbumRow& row) {
        const int parts = walkableParts(row.key, depth);
        if (parts == 0) return;
        builder.noteParts(row.key, parts);
        if (parts < depth) {  // an album lying above the album level is a folder the walk looked into
            FolderSeen& seen = (*memory)[std::string(row.key)];
            seen.album = true;
            seen.modified = row.modified;
        }
        ++albums;
    });
    if (!read || albums == 0) {
        memory->clear();
        return false;
    }
    for (const IndexedFolder& folder : library.folders) {
        const int parts = folder.key.empty() ? 0 : walkableParts(folder.key, depth - 1);
        if (parts == 0 && !folder.key.empty()) continue;
        FolderSeen& seen = (*memory)[folder.key];
        if (seen.album) continue;
        seen.modified = folder.modified;
        builder.noteParts(folder.key, parts);
    }
    builder.finish();
    if (lastAlbum) *lastAlbum = library.lastAlbum;
    return true;
}

std::vector<IndexChanges> changesOfMemory(const FolderMemory& memory, int depth) {
    depth = clampDepth(depth);
    std::vector<IndexChanges> groups;
    std::map<std::string, size_t, std::less<>> groupOf;
    for (const std::string& folder : foldersAboveKnown(memory, depth, "")) {
        groupOf.emplace(folder, groups.size());
        groups.emplace_back().folderListed(folder, memory.at(folder).modified);
    }
    // An artist's albums come one after another: their group is found once.
    std::string_view lastParent;  // a key of groupOf
    size_t group = 0;
    bool found = false;
    albumsKnown(memory, depth, "", [&](std::string_view caption, std::string_view key) {
        const std::string_view parent = parentOf(key);
        if (!found || parent != lastParent) {
            auto at = groupOf.find(parent);
            if (at == groupOf.end()) return;
            group = at->second;
            lastParent = at->first;
            found = true;
        }
        const std::string album(key);
        groups[group].albumFound(album, std::string(caption), albumTime(memory, album));
    });
    return groups;
}

IndexChanges changesOfListing(const FolderMemory& memory, int depth, const std::string& relative,
                              const AlbumChange& change, const std::vector<std::string>& foldersBefore) {
    IndexChanges group;
    const std::vector<std::string> after = foldersAboveKnown(memory, clampDepth(depth), relative);
    const std::set<std::string> there(after.begin(), after.end());
    for (const std::string& folder : foldersBefore)
        if (!there.count(folder)) group.forgetBelow(folder);
    for (const std::string& key : change.gone) group.albumGone(key);
    for (const FoundAlbum& album : change.added) group.albumFound(album.folder, album.caption, albumTime(memory, album.folder));
    for (const std::string& folder : after) group.folderListed(folder, memory.at(folder).modified);
    return group;
}
