// Folder listings: order, entries, the directory bit and the failures.
#include <dirent.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/child.h"
#include "support/folder_listing.h"
#include "support/temp_dir.h"

namespace {

std::vector<std::string> namesOf(const std::vector<platform::FindEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& entry : entries) names.push_back(entry.name);
    return names;
}

unsigned attribOf(const std::vector<platform::FindEntry>& entries, const std::string& name) {
    for (const auto& entry : entries)
        if (entry.name == name) return entry.attrib;
    ADD_FAILURE() << name << " not listed";
    return 0xffff;
}

}  // namespace

TEST(FolderListing, SortsLettersCaseInsensitivelyThenByteByByte) {
    TempDir dir;
    for (const char* name : {"b", "A", "a", "B", "_x", "Zed"}) dir.writeFile(name, "");
    // Letters fold to upper case, so '_' (after 'Z') sorts after every letter.
    EXPECT_EQ(namesOf(listAll(dir.path())), (std::vector<std::string>{"A", "a", "B", "b", "Zed", "_x"}));

    TempDir more;
    for (const char* name : {"abc", "ABD", "ab", "Ab", "a b", "a1", "[", "~", "\xC3\xA9"}) more.writeFile(name, "");
    EXPECT_EQ(namesOf(listAll(more.path())),
              (std::vector<std::string>{"a b", "a1", "Ab", "ab", "abc", "ABD", "[", "~", "\xC3\xA9"}));
}

TEST(FolderListing, OrderHoldsForLongNamesWithSharedBeginnings) {
    // Names that agree in their first 16 or 32 bytes and beyond, in mixed case.
    TempDir dir;
    std::vector<std::string> names;
    const std::string stems[] = {"The Long Shared Beginning ", "the long shared beginning ", "The Long Shared_",
                                 "The Long Shared Beginning Beyond Thirty-Two Bytes ",
                                 "THE LONG SHARED BEGINNING BEYOND THIRTY-TWO BYTES "};
    const std::string tails[] = {"a", "B", "b", "_", "z", "Z1", "\xe9", "", "aa", "A"};
    for (const auto& stem : stems)
        for (const auto& tail : tails) {
            names.push_back(stem + tail);
            dir.writeFile(stem + tail, "");
        }
    auto upper = [](std::string text) {
        for (char& c : text)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return text;
    };
    auto unsignedLess = [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
        });
    };
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        std::string ua = upper(a), ub = upper(b);
        return ua != ub ? unsignedLess(ua, ub) : unsignedLess(a, b);
    });
    EXPECT_EQ(namesOf(listAll(dir.path())), names);
}

TEST(FolderListing, YieldsEveryEntryButDotAndDotDot) {
    TempDir dir;
    dir.writeFile(".hidden", "");
    dir.makeFolder(".config");
    dir.writeFile("song.mp3", "");
    dir.makeFolder("sub");
    dir.makeFolder("sub/deeper");  // never listed: no recursion
    EXPECT_EQ(namesOf(listAll(dir.path())), (std::vector<std::string>{".config", ".hidden", "song.mp3", "sub"}));
}

TEST(FolderListing, DirectoryBitFollowsSymbolicLinks) {
    TempDir dir;
    dir.makeFolder("folder");
    dir.writeFile("file", "x");
    ASSERT_EQ(symlink("folder", dir.at("link to folder").c_str()), 0);
    ASSERT_EQ(symlink("file", dir.at("link to file").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", dir.at("dangling").c_str()), 0);
    ASSERT_EQ(symlink("loop", dir.at("loop").c_str()), 0);
    auto entries = listAll(dir.path());
    EXPECT_EQ(attribOf(entries, "folder"), platform::kAttrSubdir);
    EXPECT_EQ(attribOf(entries, "link to folder"), platform::kAttrSubdir);
    EXPECT_EQ(attribOf(entries, "file"), 0u);
    EXPECT_EQ(attribOf(entries, "link to file"), 0u);
    EXPECT_EQ(attribOf(entries, "dangling"), 0u);
    EXPECT_EQ(attribOf(entries, "loop"), 0u);
}

TEST(FolderListing, NamesComeBackByteForByte) {
    TempDir dir;
    const std::vector<std::string> names = {
        std::string(255, 'n'), "new\nline", "not utf-8 \xff\xfe", "-dash", "quote\"'", "$HOME", "tab\tname"};
    for (const auto& name : names) dir.writeFile(name, "");
    auto listed = namesOf(listAll(dir.path()));
    std::sort(listed.begin(), listed.end());
    auto expected = names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
}

TEST(FolderListing, FailsForMissingPlainEmptyOrUnreadableFolders) {
    TempDir dir;
    platform::FindEntry entry;
    EXPECT_EQ(platform::findFirst(dir.at("missing"), &entry), platform::kFindFailed);
    EXPECT_EQ(platform::findFirst(dir.writeFile("plain", "x"), &entry), platform::kFindFailed);
    EXPECT_EQ(platform::findFirst(dir.makeFolder("empty"), &entry), platform::kFindFailed);
    ASSERT_EQ(symlink("plain", dir.at("link to plain").c_str()), 0);
    EXPECT_EQ(platform::findFirst(dir.at("link to plain"), &entry), platform::kFindFailed);

    std::string locked = dir.makeFolder("locked");
    dir.writeFile("locked/inside.jpg", "");
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    int status = exitStatusAsNobody([&] {
        platform::FindEntry inside;
        return platform::findFirst(locked, &inside) == platform::kFindFailed ? 0 : 1;
    });
    EXPECT_EQ(status, 0) << "an unreadable folder must fail to list";

    platform::findClose(platform::kFindFailed);  // ignored
    EXPECT_NE(platform::findNext(platform::kFindFailed, &entry), 0);
}

TEST(FolderListing, EmptyFolderTextListsTheRoot) {
    std::set<std::string> expected;
    DIR* root = opendir("/");
    ASSERT_NE(root, nullptr);
    while (dirent* entry = readdir(root)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") expected.insert(name);
    }
    closedir(root);
    auto entries = listAll("");
    auto names = namesOf(entries);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
    EXPECT_EQ(attribOf(entries, "tmp"), platform::kAttrSubdir);
}

TEST(FolderListing, ListingIsASnapshotThatSurvivesTheFolderGoing) {
    TempDir dir;
    std::string folder = dir.makeFolder("going");
    dir.writeFile("going/one", "");
    dir.writeFile("going/two", "");
    platform::FindEntry entry;
    platform::FindHandle handle = platform::findFirst(folder, &entry);
    ASSERT_NE(handle, platform::kFindFailed);
    EXPECT_EQ(entry.name, "one");
    std::remove((folder + "/one").c_str());
    std::remove((folder + "/two").c_str());
    ASSERT_EQ(rmdir(folder.c_str()), 0);
    ASSERT_EQ(platform::findNext(handle, &entry), 0);
    EXPECT_EQ(entry.name, "two");
    EXPECT_NE(platform::findNext(handle, &entry), 0);
    platform::findClose(handle);
    EXPECT_EQ(platform::findFirst(folder, &entry), platform::kFindFailed);
}
