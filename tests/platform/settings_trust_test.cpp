// Which settings files are read: the user's or root's own, that nobody else
// can change. Ownership by another user is made with chown, which needs root
// (as the tests run in CI); elsewhere those cases are skipped.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/platform.h"
#include "support/temp_dir.h"

namespace {

constexpr uid_t kNobody = 65534;

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
        {"group can write", 0664, false, false, "other users can change it (mode 0664)"},
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
    // Missing files, and root's own that others cannot change, are trusted.
    EXPECT_TRUE(platform::settingsFileTrusted(dir.at("absent.ini"), nullptr));
    EXPECT_TRUE(platform::settingsFileTrusted("", nullptr));
    EXPECT_TRUE(platform::settingsFileTrusted("/etc/passwd", nullptr));  // root's, 0644
    std::string why;
    EXPECT_FALSE(platform::settingsFileTrusted("/tmp", &why)) << "root's, but anyone can write there";
    EXPECT_NE(why.find("mode 1777"), std::string::npos) << why;
}

}  // namespace
