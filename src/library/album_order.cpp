#include "library/album_order.h"

#include <algorithm>
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

// One album's place as one number, compared before its place by name: a
// group (known first) in the top two bits, then what the order goes by.
// Whole numbers sort a hundred thousand albums in a few milliseconds.
constexpr int kGroupShift = 62;
constexpr uint64_t kNoYear = 0xFFFF;               // after every year
constexpr uint64_t kLatest = (uint64_t(1) << 40) - 1;  // seconds since 1970, to the year 36812

uint64_t yearBits(int year) { return year > 0 && year < int(kNoYear) ? uint64_t(year) : kNoYear; }

// Sorts (key, index) pairs by key, keeping the pairs of one key in the order
// they come (least significant byte first, each pass stable); a byte that
// every key shares costs no pass.
void sortByKey(std::vector<std::pair<uint64_t, uint32_t>>& items) {
    std::vector<std::pair<uint64_t, uint32_t>> other(items.size());
    uint64_t differ = 0;
    for (const auto& item : items) differ |= item.first ^ items.front().first;
    for (int shift = 0; shift < 64; shift += 8) {
        if (((differ >> shift) & 0xFF) == 0) continue;
        size_t start[257] = {};
        for (const auto& item : items) ++start[((item.first >> shift) & 0xFF) + 1];
        for (int b = 0; b < 256; ++b) start[b + 1] += start[b];
        for (const auto& item : items) other[start[(item.first >> shift) & 0xFF]++] = item;
        items.swap(other);
    }
}

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
    std::vector<std::pair<uint64_t, uint32_t>> keys(facts.size());
    const std::vector<int64_t> artists = order == AlbumOrder::Artist ? artistRanks(facts) : std::vector<int64_t>();
    for (uint32_t i = 0; i < facts.size(); ++i) {
        const AlbumFacts& album = facts[i];
        uint64_t group = 0, key = 0;
        switch (order) {
            case AlbumOrder::Added:
                group = album.added > 0 ? 0 : 1;
                key = kLatest - std::min<uint64_t>(uint64_t(std::max<int64_t>(album.added, 0)), kLatest);
                break;
            case AlbumOrder::Year:
                group = album.year > 0 ? 0 : album.tagsRead ? 1 : 2;
                key = album.year > 0 ? yearBits(album.year) : 0;
                break;
            case AlbumOrder::Artist:
                group = artists[i] >= 0 ? 0 : album.tagsRead ? 1 : 2;
                key = artists[i] >= 0 ? uint64_t(artists[i]) << 16 | yearBits(album.year) : 0;
                break;
            case AlbumOrder::Name:
                break;
        }
        keys[i] = {group << kGroupShift | key, i};
    }
    sortByKey(keys);  // the keys come in name order, so one key's albums stay by name
    for (size_t i = 0; i < keys.size(); ++i) row[i] = keys[i].second;
    return row;
}
