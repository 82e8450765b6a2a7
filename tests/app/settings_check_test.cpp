// The settings check on its own: which lines are mistakes and what is said of
// each, for texts as users write them.
#include "app/settings_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/ini_reader.h"
#include "support/temp_dir.h"

namespace {

// The mistakes of `content`, with the numbers the real reader takes from it.
std::vector<std::string> mistakes(const std::string& content) {
    TempDir dir;
    CIniReader reader(dir.writeFile("v.ini", content).c_str());
    return settingsMistakes(content, "~/v.ini",
                            [&](const char* key) { return reader.ReadInteger("vellora", key, 0); });
}

TEST(SettingsCheck, EachMistakeIsOneLineSayingWhatWasTakenAndWhatToWrite) {
    using Lines = std::vector<std::string>;
    const struct {
        std::string text;
        Lines said;
    } cases[] = {
        // What the sample and a careful user write: nothing to say.
        {"; mine\r\n[Vellora]\r\nautoplay = True\r\nAUTOPLAY2 =\r\n", {"~/v.ini line 4: AUTOPLAY2 is not a setting "
                                                                       "and is ignored; write autoplay"}},
        {"[vellora]\nautoplay=false\nthumbnailcache = \"true\"\ndepth = 3\ntexturememory=100\nmusicplayer=x y\n"
         "[other]\nwhatever = 1\n",
         {}},
        {"[vellora]\nautoplay = TRUE\nthumbnailcache = 1\nendplayer =\n",
         {"~/v.ini line 2: autoplay = TRUE is taken as false; write true or false",
          "~/v.ini line 3: thumbnailcache = 1 is taken as false; write true or false",
          "~/v.ini line 4: endplayer = is taken as false; write true or false"}},
        {"[vellora]\ndepth = 0\ndepth = 2\ntexturememory = -5\nrescaninterval = -1\n",
         {"~/v.ini line 2: depth = 0 is taken as 1; write 1, 2 or 3", "~/v.ini line 3: depth again: line 2 counts; "
                                                                       "remove one",
          "~/v.ini line 4: texturememory = -5 is taken as 1; write a whole number of at least 1",
          "~/v.ini line 5: rescaninterval = -1 is taken as 0; write a whole number from 0 to 86400"}},
        {"[vellora]\nmusic player = vlc\nvolume = 3\nautoplay false\n",
         {"~/v.ini line 2: music player is not a setting and is ignored; write musicplayer",
          "~/v.ini line 3: volume is not a setting and is ignored; the settings are musicplayer, playerarguments, "
          "enqueuearguments, endplayer, defaultdir, autoplay, depth, texturememory, thumbnailcache, rescaninterval, "
          "libraryindex, order, startat",
          "~/v.ini line 4: autoplay false has no '=' and is not read; write key = value"}},
        {"[ vellora.ini ]\n[vellora]\n[VELORA]\nautoplay = x\n[vellora]\nautoplay = x\n",
         {"~/v.ini line 3: [VELORA] is not [vellora]: its lines are not read; write [vellora]",
          "~/v.ini line 5: [vellora] again: its lines are not read; keep one [vellora] section"}},
        {"\xEF\xBB\xBF[vellora]\rdepth = 2 levels\r", {"~/v.ini line 2: depth = 2 levels is taken as 2; write 1, 2 or 3"}},
        // A word the key does not take: what is used instead, and every word it takes.
        {"[vellora]\norder = Year\nstartat = LAST\n", {}},
        {"[vellora]\norder = years\nstartat =\n",
         {"~/v.ini line 2: order = years is taken as name; write name, added, year or artist",
          "~/v.ini line 3: startat = is taken as random; write random or last"}},
        {"[vellora]\nauto\x1bplay = 1\n", {"~/v.ini line 2: auto\\x1bplay is not a setting and is ignored; write "
                                           "autoplay"}},
    };
    for (const auto& c : cases) EXPECT_EQ(mistakes(c.text), c.said) << c.text;
}

// Adding a key is one line in the table: the check knows every key --help lists.
TEST(SettingsCheck, KnowsEveryKeyOfTheTable) {
    for (const SettingHelp& key : settingsHelp()) {
        const std::string value = key.kind == SettingKind::Boolean ? "true" : key.kind == SettingKind::Number
                                                                                  ? std::to_string(key.low)
                                                                                  : key.words.empty() ? "text"
                                                                                                      : key.words.back();
        EXPECT_EQ(mistakes(std::string("[vellora]\n") + key.key + " = " + value + "\n"), std::vector<std::string>{})
            << key.key;
    }
}

}  // namespace
