// Type-to-find on its own: which keys type, when a text extends, how names match.
#include <gtest/gtest.h>

#include <vector>

#include "app/type_to_find.h"
#include "render/caption.h"

namespace {

TEST(TypeToFind, WhichKeysType) {
    EXPECT_EQ(findCharacter('a'), 'a');
    EXPECT_EQ(findCharacter('z'), 'z');
    EXPECT_EQ(findCharacter('0'), '0');
    EXPECT_EQ(findCharacter('9'), '9');
    EXPECT_EQ(findCharacter(0xF6), char(0xF6));  // o diaeresis, a key of its own on some keyboards
    for (int other : std::vector<int>{32 /* Space */, 13, 27, 8, 9, '-', '.',
                                      'A' /* SDL sends letters in lower case */, 0xD7,
                      0xF7, 273, 275, 278, 282, 304, 256, 257 /* keypad 0 and 1: End without Num Lock */, 265})
        EXPECT_EQ(findCharacter(other), 0) << other;
}

// Space types a space while the text shows, so names with spaces can be
// found; otherwise it types nothing (and jumps at random).
TEST(TypeToFind, SpaceTypesASpaceOnlyWhileTheTextShows) {
    FindText find;
    EXPECT_EQ(typedCharacter(' ', find, 5000), 0) << "no text";
    EXPECT_EQ(typedCharacter('p', find, 5000), 'p');
    typeCharacter(find, 'p', 5000);
    EXPECT_EQ(typedCharacter(' ', find, 6000), ' ');
    EXPECT_EQ(typedCharacter(' ', find, 6001), 0) << "the text has gone";
    typeCharacter(find, ' ', 6000);
    EXPECT_EQ(typedCharacter(' ', find, 6500), ' ') << "a second space, too";
    EXPECT_EQ(typedCharacter(13, find, 6500), 0);
    const std::vector<std::string> names = {"Pink Anderson", "Pink", "Pink Floyd", "Pinkerton"};
    auto captionOf = [&](int i) { return names[size_t(i)]; };
    EXPECT_EQ(firstMatchingAlbum(4, captionOf, "pink f"), 2);
    EXPECT_EQ(firstMatchingAlbum(4, captionOf, "pink "), 0);
}

TEST(TypeToFind, ACharacterWithinOneSecondExtendsTheTextOtherwiseStartsAnew) {
    FindText find;
    typeCharacter(find, 'b', 5000);
    EXPECT_EQ(find.text, "b");
    typeCharacter(find, 'e', 5999);
    EXPECT_EQ(find.text, "be");
    typeCharacter(find, 'a', 6999);  // exactly 1000 after the previous one
    EXPECT_EQ(find.text, "bea");
    EXPECT_TRUE(findTextLive(find, 7999));
    EXPECT_FALSE(findTextLive(find, 8000));
    typeCharacter(find, 'z', 8000);  // 1001 after
    EXPECT_EQ(find.text, "z");
    // The tick counter wraps after 49 days; the difference still counts.
    FindText wrapped;
    typeCharacter(wrapped, 'x', 0xFFFFFF00u);
    typeCharacter(wrapped, 'y', 0x100u);
    EXPECT_EQ(wrapped.text, "xy");
    EXPECT_FALSE(findTextLive(FindText{}, 0));
}

TEST(TypeToFind, MatchesCaptionsFromTheStartFoldingOnlyLetterCase) {
    // The names as on disk (UTF-8); matching is on the caption as drawn.
    const std::vector<std::string> names = {"Abba",          "AC-DC",   "Bach",   "Beatles", "Bj\xC3\xB6rk",
                                            "\xC3\x96stra",  "12 Songs", "Zappa", "\xC5\xA0kabo", "bj\xC3\xB6rn"};
    auto captionOf = [&](int i) { return captionText(names[size_t(i)].c_str()); };
    const int count = int(names.size());
    struct Case {
        std::string typed;
        int expected;
    };
    const Case cases[] = {
        {"a", 0},       {"ac", 1},     {"b", 2},        {"BE", 3},      {"bj", 4},
        {"bj\xF6", 4},  {"BJ\xD6R", 4}, {"bj\xF6rn", 9}, {"\xF6", 5},    {"\xD6s", 5},
        {"1", 6},       {"12", 6},     {"12 s", 6},     {"z", 7},       {"\x9A", 8},
        {"q", -1},      {"abbax", -1}, {"", -1},        {"o", -1} /* o is not o-diaeresis */,
    };
    for (const Case& c : cases) EXPECT_EQ(firstMatchingAlbum(count, captionOf, c.typed), c.expected) << c.typed;
    EXPECT_EQ(firstMatchingAlbum(count, captionOf, "b", 3), 3) << "searching on from an earlier match";
    EXPECT_EQ(firstMatchingAlbum(count, captionOf, "a", 2), -1);
    // The folding itself: letters only, every other byte kept.
    for (int c = 0; c < 256; ++c) {
        const unsigned char folded = foldCase((unsigned char)c);
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
            EXPECT_EQ(folded, c + 32) << c;
        } else if (c != 0x8A && c != 0x8C && c != 0x8E && c != 0x9F) {
            EXPECT_EQ(folded, c) << c;
        }
    }
    EXPECT_EQ(foldCase(0x9F), 0xFF);  // Y diaeresis
}

}  // namespace
