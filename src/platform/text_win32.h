// Text at the Windows API: the program's narrow text is UTF-8, the API's
// narrow text is the ANSI code page, its wide text UTF-16. The ANSI ("A")
// calls lose every character the code page lacks, so each call that takes a
// name goes through the ANSI call only when the name survives the trip, and
// through the wide call otherwise.
#pragma once

#include <string>

namespace platform {

// UTF-8 to UTF-16; bytes that are not UTF-8 become U+FFFD.
std::wstring wideFromUtf8(const std::string& text);
// UTF-16 to UTF-8.
std::string utf8FromWide(const std::wstring& text);
// The text in the ANSI code page, or false when a character of it has no
// place there (the A call would see a '?' instead).
bool ansiFromUtf8(const std::string& text, std::string* ansi);
// ANSI code page text, as the A calls return it, to UTF-8.
std::string utf8FromAnsi(const std::string& text);
// The system's text for an error code (GetLastError's), as UTF-8, without its line end.
std::string systemErrorText(unsigned long code);

}  // namespace platform
