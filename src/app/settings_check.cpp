#include "app/settings_check.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <cstdio>
#include <map>

#include "app/command_line.h"
#include "platform/log_text.h"
#include "platform/platform.h"
#include "platform/profile_lines.h"

using platform::ProfileLine;
using platform::printable;

namespace {

const char* const kSection = "vellora";

std::string lowered(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '_' && c != '-' && c != ' ' && c != '.') out += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return out;
}

// Edits (insert, remove, change a byte) that make `a` into `b`.
size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// Close: the same but for letter case, blanks, '-', '_' and '.', or two edits away.
bool closeTo(const std::string& written, const std::string& meant) {
    return editDistance(lowered(written), lowered(meant)) <= 2;
}

// Whether `text` is a whole number as the reader takes it: a sign, then
// decimal digits, or hexadecimal ones after 0x.
bool wholeNumber(const std::string& text) {
    size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
    const bool hex = text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0;
    if (hex) i += 2;
    if (i >= text.size()) return false;
    for (; i < text.size(); ++i)
        if (!std::isxdigit((unsigned char)text[i]) || (!hex && !std::isdigit((unsigned char)text[i]))) return false;
    return true;
}

std::string rangeText(const SettingHelp& key) {
    if (key.high == std::numeric_limits<int>::max()) return "a whole number of at least " + std::to_string(key.low);
    if (key.high - key.low == 2)
        return std::to_string(key.low) + ", " + std::to_string(key.low + 1) + " or " + std::to_string(key.high);
    return "a whole number from " + std::to_string(key.low) + " to " + std::to_string(key.high);
}

// What is wrong with a known key's value, or "".
std::string valueMistake(const SettingHelp& key, const ProfileLine& line,
                         const std::function<int(const char*)>& numberRead) {
    const std::string& value = line.value;
    const std::string written = printable(line.text);
    if (key.kind == SettingKind::Boolean) {
        if (value == "true" || value == "True" || value == "false" || value == "False") return "";
        return written + " is taken as false; write true or false";
    }
    if (key.kind == SettingKind::Text && !key.words.empty()) {
        std::string listed;
        for (size_t i = 0; i < key.words.size(); ++i) {
            if (platform::sameProfileName(value, key.words[i])) return "";
            listed += (i == 0 ? "" : i + 1 == key.words.size() ? " or " : ", ") + key.words[i];
        }
        return written + " is taken as " + key.fallback + "; write " + listed;
    }
    if (key.kind == SettingKind::Number && !value.empty()) {
        const int read = numberRead(key.key), taken = std::clamp(read, key.low, key.high);
        if (wholeNumber(value) && read == taken) return "";
        return written + " is taken as " + std::to_string(taken) + "; write " + rangeText(key);
    }
    return "";
}

}  // namespace

std::vector<std::string> settingsMistakes(const std::string& content, const std::string& file,
                                          const std::function<int(const char* key)>& numberRead) {
    const std::vector<SettingHelp> keys = settingsHelp();
    const auto known = [&](const std::string& name) -> const SettingHelp* {
        for (const SettingHelp& key : keys)
            if (platform::sameProfileName(name, key.key)) return &key;
        return nullptr;
    };
    std::vector<std::string> said;
    const std::string where = printable(file) + " line ";
    enum { Before, Ours, OursDone, Other } place = Before;  // where in the file a line is
    std::map<std::string, int> seen;                       // known key (as the table spells it) -> its line
    for (const ProfileLine& line : platform::profileLines(content)) {
        const std::string at = where + std::to_string(line.number) + ": ", written = printable(line.text);
        if (line.kind == ProfileLine::Section) {
            const bool ours = platform::sameProfileName(line.name, kSection);
            const bool again = ours && (place == Ours || place == OursDone);
            if (again) said.push_back(at + written + " again: its lines are not read; keep one [vellora] section");
            if (!ours && closeTo(line.name, kSection))
                said.push_back(at + written + " is not [vellora]: its lines are not read; write [vellora]");
            if (ours) place = again ? OursDone : Ours;
            else place = place == Ours || place == OursDone ? OursDone : Other;
            continue;
        }
        if (line.kind != ProfileLine::Key && line.kind != ProfileLine::Other) continue;
        if (place == Before && line.kind == ProfileLine::Key) {
            said.push_back(at + written + " comes before any section and is not read; write [vellora] above it");
            continue;
        }
        if (place != Ours) continue;
        if (line.kind == ProfileLine::Other) {
            said.push_back(at + written + " has no '=' and is not read; write key = value");
            continue;
        }
        const SettingHelp* key = known(line.name);
        if (!key) {
            std::string hint = "the settings are ";
            for (const SettingHelp& other : keys) {
                if (closeTo(line.name, other.key)) {
                    hint = std::string("write ") + other.key;
                    break;
                }
                hint += std::string(&other == &keys.front() ? "" : ", ") + other.key;
            }
            said.push_back(at + printable(line.name) + " is not a setting and is ignored; " + hint);
            continue;
        }
        const auto first = seen.emplace(key->key, line.number);
        if (!first.second) {
            said.push_back(at + printable(line.name) + " again: line " + std::to_string(first.first->second) +
                           " counts; remove one");
            continue;
        }
        const std::string mistake = valueMistake(*key, line, numberRead);
        if (!mistake.empty()) said.push_back(at + mistake);
    }
    return said;
}

void reportSettingsMistakes(const std::string& path, const std::string& file,
                            const std::function<int(const char* key)>& numberRead) {
    std::vector<uint8_t> bytes;
    std::string why;
    if (!platform::readRegularFile(path, 1 << 20, &bytes, &why)) return;
    for (const std::string& line : settingsMistakes(std::string(bytes.begin(), bytes.end()), file, numberRead))
        std::fprintf(stderr, "vellora: %s\n", line.c_str());
    std::fflush(stderr);
}
