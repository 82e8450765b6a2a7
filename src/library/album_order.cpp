#include "library/album_order.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>

#include "platform/platform.h"

namespace {

struct OrderWords {
    AlbumOrder order;
    const char* word;
    const char* forPeople;
};
const OrderWords kOrders[kAlbumOrders] = {
    {AlbumOrder::Name, "name", "by name"},
    {AlbumOrder::Added, "added", "newest first"},
    {AlbumOrder::Year, "year", "by year"},
    {AlbumOrder::Artist, "artist", "by artist"},
};

// One album's place: compared group, then first, then second, then its
// place by name, which makes every key unique and the sort's result one.
struct RowKey {
    uint32_t group;
    int64_t first;
    int64_t second;
    uint32_t index;
    bool operator<(const RowKey& other) const {
        return std::tie(group, first, second, index) < std::tie(other.group, other.first, other.second, other.index);
    }
};

// Each artist's rank in listing order, the same for every album of one
// artist: the few thousand artists are compared as texts, the albums as numbers.
std::vector<int64_t> artistRanks(const std::vector<AlbumFacts>& facts) {
    std::unordered_map<std::string_view, uint32_t> artists;
    std::vector<std::string_view> names;
    std::vector<int64_t> rankOf(facts.size(), -1);
    std::vector<uint32_t> artistOf(facts.size(), UINT32_MAX);
    for (size_t i = 0; i < facts.size(); ++i) {
        const std::string_view artist = facts[i].artist.empty() ? facts[i].folderArtist : facts[i].artist;
        if (artist.empty()) continue;
        const auto entry = artists.try_emplace(artist, uint32_t(names.size()));
        if (entry.second) names.push_back(artist);
        artistOf[i] = entry.first->second;
    }
    std::vector<uint32_t> sorted(names.size());
    for (uint32_t n = 0; n < sorted.size(); ++n) sorted[n] = n;
    std::sort(sorted.begin(), sorted.end(),
              [&](uint32_t a, uint32_t b) { return platform::listedBefore(names[a], names[b]); });
    std::vector<int64_t> rankOfName(names.size());
    for (size_t r = 0; r < sorted.size(); ++r) rankOfName[sorted[r]] = int64_t(r);
    for (size_t i = 0; i < facts.size(); ++i)
        if (artistOf[i] != UINT32_MAX) rankOf[i] = rankOfName[artistOf[i]];
    return rankOf;
}

}  // namespace

const char* albumOrderWord(AlbumOrder order) { return kOrders[int(order)].word; }

const char* albumOrderForPeople(AlbumOrder order) { return kOrders[int(order)].forPeople; }

bool albumOrderFromWord(std::string_view word, AlbumOrder* order) {
    for (const OrderWords& known : kOrders) {
        const std::string_view name = known.word;
        if (word.size() != name.size()) continue;
        bool same = true;
        for (size_t i = 0; i < word.size() && same; ++i)
            same = (word[i] >= 'A' && word[i] <= 'Z' ? char(word[i] - 'A' + 'a') : word[i]) == name[i];
        if (!same) continue;
        *order = known.order;
        return true;
    }
    return false;
}

AlbumOrder nextAlbumOrder(AlbumOrder order) { return AlbumOrder((int(order) + 1) % kAlbumOrders); }

bool albumOrderNeedsTags(AlbumOrder order) { return order == AlbumOrder::Year || order == AlbumOrder::Artist; }

std::vector<uint32_t> albumRowOrder(AlbumOrder order, const std::vector<AlbumFacts>& facts) {
    std::vector<uint32_t> row(facts.size());
    if (order == AlbumOrder::Name) {
        for (uint32_t i = 0; i < row.size(); ++i) row[i] = i;
        return row;
    }
    std::vector<RowKey> keys(facts.size());
    const std::vector<int64_t> artists = order == AlbumOrder::Artist ? artistRanks(facts) : std::vector<int64_t>();
    for (uint32_t i = 0; i < facts.size(); ++i) {
        const AlbumFacts& album = facts[i];
        const int64_t noYear = INT64_MAX;  // after every year
        RowKey& key = keys[i];
        key = {0, 0, 0, i};
        switch (order) {
            case AlbumOrder::Added:
                key.group = album.added > 0 ? 0 : 1;
                key.first = -album.added;
                break;
            case AlbumOrder::Year:
                key.group = album.year > 0 ? 0 : album.tagsRead ? 1 : 2;
                key.first = album.year;
                break;
            case AlbumOrder::Artist:
                key.group = artists[i] >= 0 ? 0 : album.tagsRead ? 1 : 2;
                key.first = artists[i];
                key.second = album.year > 0 ? album.year : noYear;
                break;
            case AlbumOrder::Name:
                break;
        }
    }
    std::sort(keys.begin(), keys.end());
    for (size_t i = 0; i < keys.size(); ++i) row[i] = keys[i].index;
    return row;
}
