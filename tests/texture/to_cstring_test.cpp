#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "texture/texture_streaming.h"

TEST(ToCString, CopiesEveryByteAndEndsWithNul) {
    for (std::string text : {std::string(""), std::string("/music/Sigur Rós – Ágætis byrjun/cover.jpg"),
                             std::string(1000, 'x')}) {
        std::unique_ptr<char[]> copy(ToCString(text));
        ASSERT_NE(copy.get(), text.c_str());
        EXPECT_EQ(std::memcmp(copy.get(), text.data(), text.size()), 0);
        EXPECT_EQ(copy[text.size()], '\0');
        EXPECT_EQ(std::strlen(copy.get()), text.size());
    }
    // An embedded NUL is copied too; the copy is as long as the string.
    std::string withNul("ab\0cd", 5);
    std::unique_ptr<char[]> copy(ToCString(withNul));
    EXPECT_EQ(std::memcmp(copy.get(), "ab\0cd", 6), 0);
    // The copy is the caller's: changing it leaves the string alone.
    copy[0] = 'Z';
    EXPECT_EQ(withNul[0], 'a');
}
