// Type-to-find: letters and digits typed within a second of each other build a
// search text, and the selection goes to the first album whose caption starts
// with it, letter case ignored. Pure: ticks come in as values.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

constexpr uint32_t kFindExtendTicks = 1000;  // a character this soon after the last one extends the text

struct FindText {
    std::string text;       // Windows-1252 bytes, as the caption font draws them
    uint32_t lastTick = 0;  // tick of the last character typed
    bool matched = true;    // false while no album starts with the text
};

// The Windows-1252 character a key symbol types for the search: ASCII letters
// (SDL gives them in lower case) and digits, and the Latin-1 letters that
// keyboards send as their own symbols (0xC0 .. 0xFF less the signs x and /).
// 0 for every other key, Space included, and the keypad, whose digits are the
// arrows, Home and End while Num Lock is off.
char findCharacter(int key);

// The character key `key` types at `tick`: findCharacter's, and a space for
// Space while the text shows (so "pink f" finds "Pink Floyd"); 0 when the key
// types nothing (Space then jumps at random).
char typedCharacter(int key, const FindText& find, uint32_t tick);

// Adds `c` typed at `tick`: extends the text when the previous character came
// at most kFindExtendTicks before, otherwise starts a new text with it.
void typeCharacter(FindText& find, char c, uint32_t tick);

// True while the text is shown: not empty and its last character typed at
// most kFindExtendTicks before `tick`.
bool findTextLive(const FindText& find, uint32_t tick);

// One Windows-1252 byte in lower case: ASCII, the accented capitals
// 0xC0 .. 0xDE (not 0xD7) and the capitals S, OE, Z and Y with their marks.
unsigned char foldCase(unsigned char c);

// True when `caption` (Windows-1252) starts with `typed`, case folded.
bool captionStartsWith(const std::string& caption, const std::string& typed);

// The first album in from .. count - 1 whose caption starts with `typed`, or
// -1. An empty text matches nothing.
int firstMatchingAlbum(int count, const std::function<std::string(int)>& captionOf, const std::string& typed,
                       int from = 0);
