// The orders of the row: the rule as a table, and the row keeping its order
// while albums come and go.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/album_order.h"
#include "library/albums_loader.h"
#include "support/album_captions.h"
#include "support/temp_dir.h"

TEST(AlbumOrder, EachOrderPutsTheRowAsItsRuleSays) {
    // Albums in name order (their index is their place by name).
    std::vector<AlbumFacts> facts(7);
    facts[0] = {300, 1999, "Zed", "", true};    // A
    facts[1] = {0, 1975, "abba", "", true};     // B: no time known
    facts[2] = {500, 0, "", "", true};          // C: read, tags say nothing
    facts[3] = {100, 1999, "", "Abba", true};   // D: the artist from its folder
    facts[4] = {500, 0, "", "", false};         // E: not read yet
    facts[5] = {200, 1960, "Zed", "Other", true};  // F: the tag's artist wins over its folder's
    facts[6] = {0, 0, "", "Yes", false};        // G: not read, but its folder names the artist
    const struct {
        AlbumOrder order;
        std::vector<uint32_t> row;
    } cases[] = {
        {AlbumOrder::Name, {0, 1, 2, 3, 4, 5, 6}},
        // Newest first; two of one time by name; no time known last, by name.
        {AlbumOrder::Added, {2, 4, 0, 5, 3, 1, 6}},
        // Oldest first, two of 1999 by name; then read without a year; then not read, by name.
        {AlbumOrder::Year, {5, 1, 0, 3, 2, 4, 6}},
        // abba and Abba compare as the listing does (folded first); Zed's by year; then no artist.
        {AlbumOrder::Artist, {3, 1, 6, 5, 0, 2, 4}},
    };
    for (const auto& c : cases) EXPECT_EQ(albumRowOrder(c.order, facts), c.row) << albumOrderWord(c.order);

    // The words of the setting and F2's round.
    AlbumOrder order = AlbumOrder::Name;
    EXPECT_TRUE(albumOrderFromWord("Year", &order));
    EXPECT_EQ(order, AlbumOrder::Year);
    EXPECT_FALSE(albumOrderFromWord("years", &order));
    EXPECT_FALSE(albumOrderFromWord("", &order));
    EXPECT_EQ(order, AlbumOrder::Year);
    std::vector<std::string> round;
    for (int i = 0; i <= kAlbumOrders; ++i, order = nextAlbumOrder(order)) round.push_back(albumOrderWord(order));
    EXPECT_EQ(round, (std::vector<std::string>{"year", "artist", "name", "added", "year"}));
    EXPECT_TRUE(albumOrderFromWord(albumOrderWord(AlbumOrder::Added), &order));
    EXPECT_EQ(order, AlbumOrder::Added);
}

TEST(AlbumOrder, TheRowKeepsItsOrderAndItsAlbumsWhenAlbumsComeAndGo) {
    TempDir dir;
    for (const char* name : {"A", "B", "C", "D"}) dir.makeFolder(std::string("music/") + name);
    AlbumsLoader albums(dir.at("music"), "");
    albums.setAlbumTags({{"A", {1990, "", ""}}, {"B", {1970, "", ""}}, {"C", {1980, "", ""}}, {"D", {0, "", ""}}});
    std::vector<int> moved;
    EXPECT_TRUE(albums.setOrder(AlbumOrder::Year, &moved));
    EXPECT_EQ(captions(albums), (std::vector<std::string>{"B", "C", "A", "D"}));
    EXPECT_EQ(moved, (std::vector<int>{2, 0, 1, 3}));  // A went from 0 to 2, B from 1 to 0, ...
    EXPECT_FALSE(albums.setOrder(AlbumOrder::Year, &moved));  // nothing new: nothing moves
    EXPECT_EQ(albums.getAlbumYear(0), 1970);

    // C goes, E (tags not read) and 0 come: the others keep their places in the order.
    AlbumChange change = albumChangeBetween("", {"A", "B", "C", "D"}, {"0", "A", "B", "D", "E"});
    ASSERT_TRUE(albums.applyChange(change, &moved));
    EXPECT_EQ(captions(albums), (std::vector<std::string>{"B", "A", "D", "0", "E"}));
    EXPECT_EQ(moved, (std::vector<int>{0, -1, 1, 2}));  // B, C gone, A, D
    EXPECT_FALSE(albums.getAlbumTagsRead(3));
    // They came now: newest first, whatever their files' times.
    EXPECT_GT(albums.getAlbumAdded(3), kAddedBeforeIndex);
    EXPECT_EQ(albums.getAlbumAdded(0), 0);  // B: there from the start, its time not read yet
    // Its tags come: in place once the order is made again.
    albums.setAlbumTags({{"E", {1960, "", ""}}, {"gone", {1, "", ""}}});
    EXPECT_TRUE(albums.setOrder(AlbumOrder::Year, &moved));
    EXPECT_EQ(captions(albums), (std::vector<std::string>{"E", "B", "A", "D", "0"}));
    EXPECT_EQ(albums.getAlbumKey(0), "E");
    EXPECT_EQ(albums.getAlbumFolder(0), dir.at("music/E"));
    // Back to the names.
    EXPECT_TRUE(albums.setOrder(AlbumOrder::Name, &moved));
    EXPECT_EQ(captions(albums), (std::vector<std::string>{"0", "A", "B", "D", "E"}));
    EXPECT_EQ(moved, (std::vector<int>{4, 2, 1, 3, 0}));
}
