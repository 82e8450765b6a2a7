// The orders of the row: by name (the folders' listing order, the scan's),
// by when each album came (newest first), by year (oldest first) and by
// artist. The rule is one pure function over what is known of each album,
// so a hundred thousand albums are put in order by whole numbers and a few
// string compares, and a test checks it as a table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class AlbumOrder { Name, Added, Year, Artist };
constexpr int kAlbumOrders = 4;

// The setting's word for an order ("name", "added", "year", "artist").
const char* albumOrderWord(AlbumOrder order);
// The order a setting's word names, letter case ignored; false for any other word.
bool albumOrderFromWord(std::string_view word, AlbumOrder* order);
// The order F2 goes on to: name, added, year, artist, then name again.
AlbumOrder nextAlbumOrder(AlbumOrder order);
// What the notice says of it: "by name", "newest first", "by year", "by artist".
const char* albumOrderForPeople(AlbumOrder order);
// Whether the order needs what only the albums' tags tell (year, album artist).
bool albumOrderNeedsTags(AlbumOrder order);

// What orders one album besides its name. Texts are views the caller keeps.
struct AlbumFacts {
    int64_t added = 0;            // when it came, seconds since 1970; 0 not known
    int year = 0;                 // from its tags; 0 none, or not read yet
    std::string_view artist;      // its album artist from its tags; empty when none
    std::string_view folderArtist;  // the artist folder it lies in (depth 2 and 3); empty at depth 1
    bool tagsRead = false;        // its tags were read (whatever they held)
};

// The row in `order`: the indexes into `facts` (which stand in name order)
// in the order the row shows them.
// - name: as they stand.
// - added: newest first; those whose time is not known after, by name.
// - year: by year, then name; then the albums whose tags hold no year, by
//   name; then those whose tags are not read yet, by name.
// - artist: by album artist (the artist folder when the tags name none),
//   letters compared as the folder listing compares them, then year (none
//   last), then name; albums with no artist known after, by name (those
//   whose tags are read first).
std::vector<uint32_t> albumRowOrder(AlbumOrder order, const std::vector<AlbumFacts>& facts);
