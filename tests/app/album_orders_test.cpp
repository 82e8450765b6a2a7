// What the notice band says of the orders: the order's name after F2, and
// how far the reading of tags is while an order that needs them shows.
#include <gtest/gtest.h>

#include "app/album_orders.h"

TEST(OrderNotice, NamesTheOrderAndSaysHowFarTheTagsAreRead) {
    EXPECT_EQ(orderNoticeLine(AlbumOrder::Year), "Order: by year");
    EXPECT_EQ(orderNoticeLine(AlbumOrder::Added), "Order: newest first");
    const struct {
        AlbumOrder order;
        int read, count;
        const char* said;
    } cases[] = {
        {AlbumOrder::Year, 1204, 10000, "Reading years: 1,204 of 10,000"},
        {AlbumOrder::Artist, 0, 999, "Reading artists: 0 of 999"},
        {AlbumOrder::Year, 999999, 1234567, "Reading years: 999,999 of 1,234,567"},
        {AlbumOrder::Year, 10000, 10000, ""},  // done
        {AlbumOrder::Year, -1, 10000, ""},     // not begun
        {AlbumOrder::Name, 5, 10, ""},         // the order needs no tags
        {AlbumOrder::Added, 5, 10, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(tagReadingLine(c.order, c.read, c.count), c.said) << c.said;
    EXPECT_EQ(withThousands(100), "100");
    EXPECT_EQ(withThousands(1000), "1,000");
    EXPECT_EQ(withThousands(-12345), "-12,345");
}
