// The library following its folder: a folder's albums replaced by what a new
// listing of it found, on the frame thread, in one step.
#include <algorithm>
#include <unordered_map>

#include "library/albums_loader.h"
#include "platform/platform.h"

bool pathListedBefore(std::string_view a, std::string_view b) {
    for (;;) {
        const size_t endA = std::min(a.find(platform::kSeparator), a.size());
        const size_t endB = std::min(b.find(platform::kSeparator), b.size());
        const std::string_view partA = a.substr(0, endA), partB = b.substr(0, endB);
        if (partA != partB) return platform::listedBefore(partA, partB);
        if (endA == a.size() || endB == b.size()) return endA == a.size() && endB < b.size();
        a.remove_prefix(endA + 1);
        b.remove_prefix(endB + 1);
    }
}

std::string pathSortKey(std::string_view path) {
    std::string key;
    key.reserve(2 * path.size() + 2);
    for (size_t begin = 0;;) {
        const size_t end = std::min(path.find(platform::kSeparator, begin), path.size());
        platform::appendListingKey(path.substr(begin, end - begin), &key);
        if (end == path.size()) return key;
        begin = end + 1;
    }
}

void pathFromSortKey(std::string_view key, std::string* path) {
    path->clear();
    // Of each part's two 0-ended runs the second is the part as it stands.
    for (size_t begin = 0, run = 0; begin < key.size(); ++run) {
        const size_t end = std::min(key.find('\0', begin), key.size());
        if (run % 2 == 1) path->append(run > 1 ? 1 : 0, platform::kSeparator).append(key, begin, end - begin);
        begin = end + 1;
    }
}

bool pathIsAtOrBelow(std::string_view path, std::string_view folder) {
    if (folder.empty()) return true;
    return path.substr(0, folder.size()) == folder &&
           (path.size() == folder.size() || path[folder.size()] == platform::kSeparator);
}

int pathLevel(std::string_view path) {
    return path.empty() ? 0 : 1 + int(std::count(path.begin(), path.end(), platform::kSeparator));
}

bool AlbumsLoader::albumIsBelow(int i, const std::string& relative) const {
    const album& record = albumList[size_t(i)];
    return pathIsAtOrBelow(std::string_view(names).substr(record.folder, record.folderLength), relative);
}

void AlbumsLoader::forgetAlbumCover(int i) {
    album& record = albumList[size_t(i)];
    record.cover = -1;
    record.hasCover = false;
    record.coverSearched = false;
}

bool AlbumsLoader::replaceBelow(const std::string& relative, const std::vector<FoundAlbum>& found,
                                std::vector<int>* newIndexOfOld) {
    const int count = getAlbumsCount();
    std::vector<int> below;
    for (int i = 0; i < count; ++i)
        if (albumIsBelow(i, relative)) below.push_back(i);
    // The common answer (a folder listed again for a change that moved no
    // album) is found without a string made per album.
    bool same = below.size() == found.size();
    for (size_t k = 0; same && k < below.size(); ++k) {
        const album& record = albumList[size_t(below[k])];
        same = names.compare(record.folder, record.folderLength, found[k].folder) == 0;
    }
    if (same) return false;
    std::unordered_map<std::string, int> before;  // key -> index of the albums below the folder now
    for (int i : below) before.emplace(getAlbumKey(i), i);

    // The albums below the folder stand together in the order: the new ones
    // go where the old ones stood, or where the folder's path falls.
    int insertAt = below.empty() ? count : below.front();
    if (below.empty())
        for (int i = 0; i < count; ++i)
            if (pathListedBefore(relative, getAlbumKey(i))) {
                insertAt = i;
                break;
            }
    std::vector<album> next;
    next.reserve(size_t(count) - below.size() + found.size());
    newIndexOfOld->assign(size_t(count), -1);
    size_t removedText = 0;
    const auto putFound = [&] {
        for (const FoundAlbum& album_ : found) {
            auto old = before.find(album_.folder);
            if (old != before.end()) {  // still there: keeps its cover lookup and flags
                (*newIndexOfOld)[size_t(old->second)] = int(next.size());
                next.push_back(albumList[size_t(old->second)]);
                before.erase(old);
            } else {
                album record;
                if (makeRecord(album_.caption, album_.folder, &record)) next.push_back(record);
            }
        }
    };
    for (int i = 0; i <= count; ++i) {
        if (i == insertAt) putFound();
        if (i == count) break;
        if (albumIsBelow(i, relative)) continue;
        (*newIndexOfOld)[size_t(i)] = int(next.size());
        next.push_back(albumList[size_t(i)]);
    }
    for (const auto& [key, index] : before) removedText += key.size() + albumList[size_t(index)].nameLength + 2;
    albumList.swap(next);
    removedText_ += removedText;
    if (removedText_ > names.size() / 2 && removedText_ > (1u << 20)) compactNames();
    return true;
}

void AlbumsLoader::compactNames() {
    std::string kept;
    kept.swap(names);
    for (album& record : albumList) {
        const bool shared = record.folder == record.name;
        record.name = addText(std::string(kept, record.name, record.nameLength));
        record.folder = shared ? record.name : addText(std::string(kept, record.folder, record.folderLength));
    }
    removedText_ = 0;
}
