// The row's order over the library's list: albumList stays in name order
// (where a folder's albums stand together, as applyChange needs), and row_
// says which of its albums stands at each album index of the row.
#include <algorithm>
#include <unordered_map>

#include "library/albums_loader.h"
#include "library/folder_rules.h"

std::vector<AlbumFacts> AlbumsLoader::albumFacts() const {
    std::vector<AlbumFacts> facts(albumList.size());
    for (size_t place = 0; place < albumList.size(); ++place) {
        const album& record = albumList[place];
        AlbumFacts& fact = facts[place];
        fact.added = record.added > kAddedBeforeIndex ? record.added : 0;  // not read from its files yet
        fact.year = record.year;
        fact.tagsRead = record.tagsRead;
        if (record.artistLength > 0) fact.artist = std::string_view(names).substr(record.artist, record.artistLength);
        fact.folderArtist = artistFolderOfKey(keyAt(place));
    }
    return facts;
}

void AlbumsLoader::makeRow(std::vector<int>* newRowOfPlace) {
    row_.clear();
    if (order_ != AlbumOrder::Name) row_ = albumRowOrder(order_, albumFacts());
    newRowOfPlace->assign(albumList.size(), 0);
    for (size_t i = 0; i < albumList.size(); ++i) (*newRowOfPlace)[at(int(i))] = int(i);
}

bool AlbumsLoader::setOrder(AlbumOrder order, std::vector<int>* newIndexOfOld) {
    const std::vector<uint32_t> oldRow = std::move(row_);
    const auto oldAt = [&](size_t i) { return oldRow.empty() ? i : size_t(oldRow[i]); };
    order_ = order;
    std::vector<int> rowOfPlace;
    makeRow(&rowOfPlace);
    newIndexOfOld->assign(albumList.size(), 0);
    bool moved = false;
    for (size_t i = 0; i < albumList.size(); ++i) {
        (*newIndexOfOld)[i] = rowOfPlace[oldAt(i)];
        moved = moved || (*newIndexOfOld)[i] != int(i);
    }
    return moved;
}

template <class Keep>
int AlbumsLoader::forKeys(const std::vector<std::string_view>& keys, Keep keep) {
    std::unordered_map<std::string_view, size_t> wanted;
    for (size_t k = 0; k < keys.size(); ++k) wanted.emplace(keys[k], k);
    int found = 0;
    for (size_t place = 0; place < albumList.size() && found < int(wanted.size()); ++place) {
        const auto hit = wanted.find(keyAt(place));
        if (hit == wanted.end()) continue;
        keep(place, hit->second);
        ++found;
    }
    return found;
}

int AlbumsLoader::setAlbumTags(const std::vector<TagsOfAlbum>& read) {
    std::vector<std::string_view> keys;
    for (const TagsOfAlbum& album : read) keys.push_back(album.key);
    // Texts are added after the pass: adding may move the buffer the keys are read from.
    std::vector<std::pair<size_t, size_t>> taken;
    const int found = forKeys(keys, [&](size_t place, size_t k) { taken.emplace_back(place, k); });
    for (const auto& [place, k] : taken) {
        album& record = albumList[place];
        const AlbumTags& tags = read[k].tags;
        if (record.artistLength > 0) removedText_ += record.artistLength + 1;
        record.artistLength = 0;
        if (!tags.artist.empty() && names.size() + tags.artist.size() + 1 <= UINT32_MAX) {
            record.artist = addText(tags.artist);
            record.artistLength = uint32_t(tags.artist.size());
        }
        record.year = int16_t(tags.year > 0 && tags.year < 10000 ? tags.year : 0);
        record.tagsModified = read[k].folderModified;
        record.tagsRead = true;
    }
    return found;
}

int AlbumsLoader::setAlbumsAdded(const std::vector<std::pair<std::string, int64_t>>& added) {
    std::vector<std::string_view> keys;
    for (const auto& album : added) keys.push_back(album.first);
    return forKeys(keys, [&](size_t place, size_t k) { albumList[place].added = added[k].second; });
}

bool AlbumsLoader::getAlbumTagsRead(int i) { return albumList[at(i)].tagsRead; }

int64_t AlbumsLoader::getAlbumTagsModified(int i) { return albumList[at(i)].tagsModified; }

int64_t AlbumsLoader::getAlbumAdded(int i) { return albumList[at(i)].added; }

int AlbumsLoader::getAlbumYear(int i) { return albumList[at(i)].year; }

int AlbumsLoader::albumsWithTagsRead() const {
    int read = 0;
    for (const album& record : albumList) read += record.tagsRead ? 1 : 0;
    return read;
}

int AlbumsLoader::albumAtKey(const std::string& key) const {
    if (albumList.empty()) return -1;
    // albumList stands in name order: the first place not before the key.
    size_t place = size_t(std::partition_point(albumList.begin(), albumList.end(),
                                               [&](const album& record) {
                                                   return pathListedBefore(
                                                       std::string_view(names).substr(record.folder, record.folderLength),
                                                       key);
                                               }) -
                          albumList.begin());
    place = std::min(place, albumList.size() - 1);
    if (row_.empty()) return int(place);
    return int(std::find(row_.begin(), row_.end(), uint32_t(place)) - row_.begin());
}
