// The lines of a settings file of the Windows profile kind, as the Linux
// reader takes them: LF, CRLF and lone-CR line ends, a UTF-8 byte-order mark,
// blanks trimmed around names and values, ';' starting a comment line, one
// pair of matching surrounding quotes ("..." or '...') removed from a value.
// The Linux reader finds its values here, and the settings check reads the
// file's mistakes here, on every system.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct ProfileLine {
    enum Kind { Blank, Comment, Section, Key, Other };
    Kind kind = Blank;
    int number = 0;     // counted from 1
    std::string name;   // Section: between the brackets, trimmed; Key: before '=', trimmed
    std::string value;  // Key: after '=', trimmed, without surrounding quotes
    std::string text;   // the whole line, trimmed
};

// Every line of `content`, in order. Bytes are bytes: NUL or other binary
// garbage only makes lines of kind Other.
std::vector<ProfileLine> profileLines(const std::string& content);

// Whether two section or key names are the same, ASCII letter case ignored.
bool sameProfileName(const std::string& a, const std::string& b);

}  // namespace platform
