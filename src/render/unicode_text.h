// Text as the screen shows it: UTF-8 decoded to code points and composed to
// NFC, so that a name written decomposed ("Bjo" + U+0308 + "rk", as macOS
// writes file names) draws the same glyphs as the composed one. Pure; no GL.
#pragma once

#include <string>

// The code points of `utf8` composed to NFC. A byte that does not start a
// valid, shortest-form UTF-8 sequence stands for its own Windows-1252
// character (a name written in that code page), U+FFFD where the page
// leaves the code undefined. Null gives "".
std::u32string textCharacters(const char* utf8);

// `text` (code points) in Unicode Normalization Form C: canonically
// decomposed, combining marks put in canonical order, and composed again.
std::u32string composeNfc(const std::u32string& text);

// The code points of Windows-1252 bytes (undefined codes as U+FFFD).
std::u32string windows1252Characters(const std::string& bytes);

// Decodes one UTF-8 character at `text`: its length in bytes, or 0 when the
// bytes there are not a valid, shortest-form sequence (a NUL ends a sequence).
int decodeUtf8(const unsigned char* text, char32_t* codePoint);

// Characters that take no room and show nothing (joiners, variation
// selectors, the byte-order mark, soft hyphen and the like).
bool isInvisibleCharacter(char32_t c);
// C0 and C1 control characters and DEL: drawn as a box, never as themselves.
bool isControlCharacter(char32_t c);
