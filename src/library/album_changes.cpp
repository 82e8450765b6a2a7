// The library following its folder: a folder's albums changed in the list,
// on the frame thread, in one step. A change is told as the albums that went
// and the albums that came (worked out on the watch's thread), so that the
// frame thread's part is one pass over the list whatever its size.
#include <algorithm>
#include <ctime>
#include <unordered_map>
#include <unordered_set>

#include "library/albums_loader.h"
#include "library/folder_rules.h"

namespace {

// The keys of the albums at or below `relative` that `memory` knows, in one
// buffer: a hundred thousand of them make no string each.
struct KeyList {
    std::string text;
    std::vector<std::string_view> keys;  // into text
};

KeyList keysKnown(const FolderMemory& memory, int depth, const std::string& relative) {
    KeyList list;
    std::vector<size_t> ends;
    albumsKnown(memory, depth, relative, [&](std::string_view, std::string_view key) {
        list.text.append(key);
        ends.push_back(list.text.size());
    });
    list.keys.reserve(ends.size());
    size_t start = 0;
    for (size_t end : ends) {
        list.keys.push_back(std::string_view(list.text).substr(start, end - start));
        start = end;
    }
    return list;
}

}  // namespace

AlbumChange albumChangeBetween(const std::string& folder, const std::vector<std::string_view>& before,
                               const std::vector<std::string_view>& after) {
    AlbumChange change;
    change.folder = folder;
    change.albumsAfter = after.size();
    // The albums that stand alike at the start and at the end are still
    // there (keys are unique): only those between are compared through sets,
    // which for an album come or gone in a hundred thousand are a handful.
    size_t head = 0, tail = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    const auto beforeMiddle = before.begin() + long(head), beforeEnd = before.end() - long(tail);
    const auto afterMiddle = after.begin() + long(head), afterEnd = after.end() - long(tail);
    const std::unordered_set<std::string_view> was(beforeMiddle, beforeEnd), is(afterMiddle, afterEnd);
    for (auto key = afterMiddle; key != afterEnd; ++key) {
        if (was.count(*key)) continue;
        change.added.push_back({captionOfKey(*key), std::string(*key)});
        change.addedAt.push_back(size_t(key - after.begin()));
    }
    for (auto key = beforeMiddle; key != beforeEnd; ++key)
        if (!is.count(*key)) change.gone.emplace_back(*key);
    return change;
}

AlbumChange walkAgain(const std::string& musicPath, int depth, const std::string& relative, FolderMemory& memory,
                      bool* there) {
    // Before and after are both read off the walk's memory: by the same rule.
    const KeyList before = keysKnown(memory, depth, relative);
    const bool found = walkFolders(musicPath, depth, relative, memory);
    if (there) *there = found;
    return albumChangeBetween(relative, before.keys, keysKnown(memory, depth, relative).keys);
}

std::string_view AlbumsLoader::keyAt(size_t place) const {
    const album& record = albumList[place];
    return std::string_view(names).substr(record.folder, record.folderLength);
}

bool AlbumsLoader::placeIsBelow(size_t place, const std::string& relative) const {
    return pathIsAtOrBelow(keyAt(place), relative);
}

bool AlbumsLoader::albumIsBelow(int i, const std::string& relative) const { return placeIsBelow(at(i), relative); }

bool AlbumsLoader::applyChange(const AlbumChange& change, std::vector<int>* newIndexOfOld) {
    if (change.empty()) return false;
    // Worked in albumList's own order, the name order, where a folder's
    // albums stand together; the row's order is made again after.
    const int count = getAlbumsCount();
    const auto keyOf = [&](int i) { return keyAt(size_t(i)); };
    // The folder's albums stand together: [first, end). None yet: they go
    // where the folder's path falls in the library's order.
    int first = 0, end = count;
    if (!change.folder.empty()) {
        while (first < count && !placeIsBelow(size_t(first), change.folder)) ++first;
        end = first;
        while (end < count && placeIsBelow(size_t(end), change.folder)) ++end;
        if (first == count)
            first = end = int(std::partition_point(albumList.begin(), albumList.end(), [&](const album& record) {
                              return pathListedBefore(std::string_view(names).substr(record.folder, record.folderLength),
                                                change.folder);
                          }) - albumList.begin());
    }
    // Which of them went: a few keys are compared as they are, many through a set.
    std::vector<bool> goes(size_t(end - first), false);
    const bool nothingLeft = change.albumsAfter == change.added.size();  // every old one went, whatever it was
    if (nothingLeft) {
        goes.assign(goes.size(), true);
    } else if (change.gone.size() <= 8) {
        for (int i = first; i < end; ++i)
            for (const std::string& key : change.gone)
                if (keyOf(i) == key) goes[size_t(i - first)] = true;
    } else {
        const std::unordered_set<std::string_view> gone(change.gone.begin(), change.gone.end());
        for (int i = first; i < end; ++i) goes[size_t(i - first)] = gone.count(keyOf(i)) > 0;
    }

    std::vector<album>& next = spareList_;
    next.clear();
    const size_t needed = size_t(count) + change.added.size();
    if (next.capacity() < needed) next.reserve(needed + needed / 64);  // room for the albums that come next
    newIndexOfOld->assign(size_t(count), -1);
    size_t removedText = 0;
    const auto keep = [&](int i) {
        (*newIndexOfOld)[size_t(i)] = int(next.size());
        next.push_back(albumList[size_t(i)]);
    };
    for (int i = 0; i < first; ++i) keep(i);
    // The folder's albums in their new order: the new ones at their places,
    // the ones that stay in the order they had.
    size_t added = 0;
    const size_t blockStart = next.size();
    const int64_t cameNow = int64_t(std::time(nullptr));  // an album that comes now came now, whatever its files say
    for (int i = first; i <= end; ++i) {
        while (added < change.added.size() && (i == end || change.addedAt[added] <= next.size() - blockStart)) {
            album record;
            record.added = cameNow;
            if (makeRecord(change.added[added].caption, change.added[added].folder, &record)) next.push_back(record);
            ++added;
        }
        if (i == end) break;
        if (!goes[size_t(i - first)]) {
            keep(i);
            continue;
        }
        const album& record = albumList[size_t(i)];
        removedText += record.nameLength + 1 + (record.folder == record.name ? 0 : record.folderLength + 1) +
                       (record.artistLength > 0 ? record.artistLength + 1 : 0);
    }
    for (int i = end; i < count; ++i) keep(i);
    albumList.swap(next);
    removedText_ += removedText;
    if (removedText_ > names.size() / 2 && removedText_ > (1u << 20)) compactNames();
    if (!row_.empty()) {
        // From places to the row: album index -> old place -> new place -> new album index.
        const std::vector<uint32_t> oldRow = std::move(row_);
        std::vector<int> rowOfPlace;
        makeRow(&rowOfPlace);
        std::vector<int>& map = *newIndexOfOld;
        const std::vector<int> placeMoves = std::move(map);
        map.assign(oldRow.size(), -1);
        for (size_t i = 0; i < oldRow.size(); ++i) {
            const int place = placeMoves[oldRow[i]];
            if (place >= 0) map[i] = rowOfPlace[size_t(place)];
        }
    }
    return true;
}

void AlbumsLoader::compactNames() {
    std::string kept;
    kept.swap(names);
    for (album& record : albumList) {
        const bool shared = record.folder == record.name;
        record.name = addText(std::string_view(kept).substr(record.name, record.nameLength));
        record.folder = shared ? record.name : addText(std::string_view(kept).substr(record.folder, record.folderLength));
        if (record.artistLength > 0) record.artist = addText(std::string_view(kept).substr(record.artist, record.artistLength));
    }
    removedText_ = 0;
}
