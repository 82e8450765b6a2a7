// The library's rules, asked by its walk, its listings and its lookups, as
// tables: hidden names, what makes a folder an album, disc folders, the
// depth, and how keys are joined, ordered and compared.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "library/folder_rules.h"
#include "library/media_files.h"
#include "platform/platform.h"

TEST(FolderRules, HiddenNamesMediaDiscsDepthAndPaths) {
    struct Name {
        const char* name;
        bool hidden, media, disc;
    };
    const Name names[] = {
        {"", true, false, false},           {".hidden", true, false, false},   {"..", true, false, false},
        {"01 Song.mp3", false, true, false}, {"01.MP2", false, true, false},    {"a.asf", false, true, false},
        {"a.wma", false, true, false},       {"a.aifc", false, true, false},    {"a.aac", false, true, false},
        {"x.Flac", false, true, false},      {"cover.JPG", false, true, false}, {"front.webp", false, true, false},
        {".mp3", true, false, false},        {"mp3", false, false, false},      {"notes.txt", false, false, false},
        {"song.mp3.txt", false, false, false},
        {"CD1", false, false, true},         {"cd 2", false, false, true},      {"CD_03", false, false, true},
        {"Disc 1", false, false, true},      {"DISC-2 - Live", false, false, true}, {"Disk1", false, false, true},
        {"Side A", false, false, true},      {"side b (bonus)", false, false, true}, {"Side 2", false, false, true},
        {"CD", false, false, false},         {"CDs", false, false, false},      {"Discography", false, false, false},
        {"Disc One", false, false, false},   {"Sidekick", false, false, false}, {"Side Project", false, false, false},
        {"CD1a", false, false, false},       {"The CD1", false, false, false},
    };
    for (const Name& n : names) {
        EXPECT_EQ(isHiddenName(n.name), n.hidden) << n.name;
        EXPECT_EQ(isMediaName(n.name), n.media) << n.name;
        EXPECT_EQ(isDiscFolderName(n.name), n.disc) << n.name;
        // A file makes its folder an album when it is media, a folder when it is a disc.
        EXPECT_EQ(makesAnAlbum({n.name, 0}), n.media && !n.hidden) << n.name;
        EXPECT_EQ(makesAnAlbum({n.name, platform::kAttrSubdir}), n.disc && !n.hidden) << n.name;
    }
    EXPECT_EQ(audioKindOf("x.oga"), AudioKind::Ogg);
    EXPECT_EQ(audioKindOf("x.asf"), AudioKind::Asf);
    EXPECT_EQ(audioKindOf("x.aac"), AudioKind::Untagged);
    EXPECT_EQ(audioKindOf("a.mp3/song"), AudioKind::None);

    for (auto [given, kept] : {std::pair{-4, 1}, {0, 1}, {1, 1}, {2, 2}, {3, 3}, {9, 3}})
        EXPECT_EQ(clampDepth(given), kept) << given;

    const char s = platform::kSeparator;
    const std::string ab = std::string("A") + s + "B";
    EXPECT_EQ(joinPath("", "tmp"), std::string(1, s) + "tmp") << "the empty folder is the root";
    EXPECT_EQ(joinPath(std::string(1, s), "tmp"), std::string(1, s) + "tmp") << "a root keeps its one separator";
    EXPECT_EQ(pathOfKey(std::string("D:") + s, ab), std::string("D:") + s + ab);
    EXPECT_EQ(pathOfKey("music", ""), "music");
    EXPECT_EQ(pathOfKey("music", ab), std::string("music") + s + ab);
    EXPECT_EQ(keyBelow("", "A"), "A");
    EXPECT_EQ(keyBelow("A", "B"), ab);
    EXPECT_EQ(captionOfKey(ab), "A - B");
    EXPECT_EQ(pathLevel(""), 0);
    EXPECT_EQ(pathLevel(ab), 2);
    EXPECT_TRUE(pathIsAtOrBelow(ab, "A"));
    EXPECT_TRUE(pathIsAtOrBelow(ab, ""));
    EXPECT_FALSE(pathIsAtOrBelow("AB", "A"));
    struct Order {
        std::string before, after;
    };
    for (const Order& o : {Order{"A", ab}, Order{"a", "B"}, Order{ab, "a b"}, Order{"Zed", "_x"},
                           Order{std::string("A") + s + "z", "AA"}, Order{"A", "a"}}) {
        EXPECT_TRUE(pathListedBefore(o.before, o.after)) << o.before << " < " << o.after;
        EXPECT_FALSE(pathListedBefore(o.after, o.before)) << o.after << " > " << o.before;
    }
    EXPECT_FALSE(pathListedBefore(ab, ab));
}
