// Which settings files are read: the user's or root's own, that nobody else
// can change; a group that can write is fine when it is the owner's private
// group. The rule as a table, then real files. Ownership by another user or
// group is made with chown, which needs root (as the tests run in CI);
// elsewhere those cases are skipped.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/platform.h"
#include "support/accounts.h"
#include "support/temp_dir.h"

namespace {

constexpr uid_t kNobody = 65534;

TEST(SettingsFileTrust, TheRuleAsOpenSshHasIt) {
    constexpr unsigned me = 1000, myGroup = 1000, someoneElse = 1001, staff = 50;
    const struct {
        const char* name;
        platform::SettingsFileFacts facts;  // owner, group, mode, owner's name, user, private group
        const char* why;                    // "" when trusted
    } cases[] = {
        {"mine, 0644", {me, myGroup, 0100644, "ann", me, true}, ""},
        {"mine, 0600", {me, myGroup, 0100600, "ann", me, false}, ""},
        {"mine, 0664, my private group", {me, myGroup, 0100664, "ann", me, true}, ""},
        {"mine, 0664, a shared group", {me, staff, 0100664, "ann", me, false}, "other users can change it (mode 0664)"},
        {"mine, 0666, my private group", {me, myGroup, 0100666, "ann", me, true}, "other users can change it (mode 0666)"},
        {"mine, 0646", {me, myGroup, 0100646, "ann", me, true}, "other users can change it (mode 0646)"},
        {"root's, 0644", {0, 0, 0100644, "root", me, false}, ""},
        {"root's, 0664, root's private group", {0, 0, 0100664, "root", me, true}, ""},
        {"root's, 0664, a shared group", {0, staff, 0100664, "root", me, false}, "other users can change it (mode 0664)"},
        {"someone else's, 0644", {someoneElse, myGroup, 0100644, "bob", me, true}, "it belongs to user 1001 (bob), not to you or root"},
        {"someone else's, no name", {someoneElse, myGroup, 0100600, "", me, false}, "it belongs to user 1001, not to you or root"},
        {"sticky and set-id bits shown", {me, staff, 0107775, "ann", me, false}, "other users can change it (mode 7775)"},
    };
    for (const auto& c : cases) {
        std::string why = "untouched";
        EXPECT_EQ(platform::settingsTrustRule(c.facts, &why), *c.why == '\0') << c.name;
        EXPECT_EQ(why, *c.why ? c.why : "untouched") << c.name;
    }
}

struct Case {
    const char* name;
    mode_t mode;
    bool byNobody;       // chown to nobody (needs root)
    bool trusted;
    const char* reason;  // part of `why` when not trusted
};

TEST(SettingsFileTrust, OnlyTheUsersOrRootsOwnFileThatOthersCannotChangeOrAMissingOne) {
    const Case cases[] = {
        {"own, 0644", 0644, false, true, ""},
        {"own, 0600", 0600, false, true, ""},
        {"own, read-only", 0444, false, true, ""},
        {"anyone can write", 0666, false, false, "other users can change it (mode 0666)"},
        {"others can write", 0602, false, false, "other users can change it (mode 0602)"},
        {"nobody's", 0644, true, false, "it belongs to user 65534"},
        {"nobody's, 0600", 0600, true, false, "not to you or root"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        std::string file = dir.writeFile(std::string(c.name) + ".ini", "[vellora]\nautoplay=true\n");
        ASSERT_EQ(chmod(file.c_str(), c.mode), 0);
        if (c.byNobody && (geteuid() != 0 || chown(file.c_str(), kNobody, kNobody) != 0)) continue;
        std::string why = "untouched";
        EXPECT_EQ(platform::settingsFileTrusted(file, &why), c.trusted) << c.name;
        if (c.trusted)
            EXPECT_EQ(why, "untouched") << c.name;
        else
            EXPECT_NE(why.find(c.reason), std::string::npos) << c.name << ": " << why;
    }
    // A group that can write: fine in the user's private group, not in a shared one.
    std::string file = dir.writeFile("group.ini", "[vellora]\n");
    ASSERT_EQ(chmod(file.c_str(), 0664), 0);
    std::string why = "untouched";
    EXPECT_EQ(platform::settingsFileTrusted(file, &why), primaryGroupIsPrivate()) << why;
    if (geteuid() == 0 && chown(file.c_str(), 0, kNobody) == 0) {  // nogroup: not root's own group
        EXPECT_FALSE(platform::settingsFileTrusted(file, &why));
        EXPECT_EQ(why, "other users can change it (mode 0664)");
    }
    // Missing files, and root's own that others cannot change, are trusted.
    EXPECT_TRUE(platform::settingsFileTrusted(dir.at("absent.ini"), nullptr));
    EXPECT_TRUE(platform::settingsFileTrusted("", nullptr));
    EXPECT_TRUE(platform::settingsFileTrusted("/etc/passwd", nullptr));  // root's, 0644
    EXPECT_FALSE(platform::settingsFileTrusted("/tmp", &why)) << "root's, but anyone can write there";
    EXPECT_NE(why.find("mode 1777"), std::string::npos) << why;
}

}  // namespace
