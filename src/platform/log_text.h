// Text from outside (folder names, command lines, settings values) made safe
// for one line of standard error, for every system's platform layer. Every
// line that prints such a name goes through here: one rule for all of them.
#pragma once

#include <string>
#include <vector>

namespace platform {

// `text` with what a terminal would not show as it is escaped: \n, \r and \t
// by name; the other control characters (C0, DEL and C1) and every byte that
// is not part of a well-formed UTF-8 character as \xNN. The rest, UTF-8
// letters included, stands as it is.
std::string printable(const std::string& text);

// `text` made printable and put in double quotes, a double quote inside (and
// backslashes before one or at the end) preceded by a backslash, so that where
// the word ends is never in doubt: say "hi" -> "say \"hi\"", C:\Music\ ->
// "C:\Music\\".
std::string quotedPrintable(const std::string& text);

// Words as quotedPrintable gives them, one space between.
std::string quotedWords(const std::vector<std::string>& words);

}  // namespace platform
