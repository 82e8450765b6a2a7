#include "platform/log_text.h"

#include <cstdio>

namespace platform {
namespace {

// The length of the well-formed UTF-8 character at `text[at]` of two bytes or
// more (no overlong form, no surrogate, nothing above U+10FFFF); 0 when the
// bytes there are not one.
size_t utf8Length(const std::string& text, size_t at) {
    const auto byte = [&](size_t i) { return at + i < text.size() ? (unsigned char)text[at + i] : 0u; };
    const auto follows = [&](size_t i) { return (byte(i) & 0xC0) == 0x80; };
    const unsigned lead = byte(0);
    if (lead >= 0xC2 && lead <= 0xDF) return follows(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        return byte(1) >= low && byte(1) <= high && follows(2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        return byte(1) >= low && byte(1) <= high && follows(2) && follows(3) ? 4 : 0;
    }
    return 0;
}

void appendCode(std::string& out, unsigned char c) {
    char code[8];
    std::snprintf(code, sizeof code, "\\x%02x", c);
    out += code;
}

}  // namespace

std::string printable(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20 || c == 0x7f) appendCode(out, c);
        else if (c < 0x80) out += static_cast<char>(c);
        if (c < 0x80) {
            ++i;
            continue;
        }
        const size_t length = utf8Length(text, i);
        // C1 controls (U+0080 .. U+009F) are characters a terminal acts on too.
        const bool control = length == 2 && c == 0xC2 && (unsigned char)text[i + 1] < 0xA0;
        if (length == 0 || control) {
            for (size_t k = 0; k < (length ? length : 1); ++k) appendCode(out, (unsigned char)text[i + k]);
            i += length ? length : 1;
        } else {
            out.append(text, i, length);
            i += length;
        }
    }
    return out;
}

std::string quotedPrintable(const std::string& text) {
    // Before the escapes of printable, so that theirs are told from the
    // name's own backslashes. A backslash is doubled only where a quote or the
    // end follows it, as Windows command lines have it, so that paths read as
    // they are.
    std::string escaped;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t run = text.find_first_not_of('\\', i) == std::string::npos ? text.size() - i
                                                                                : text.find_first_not_of('\\', i) - i;
        if (run > 0) {
            const bool beforeQuote = i + run == text.size() || text[i + run] == '"';
            escaped.append(beforeQuote ? 2 * run : run, '\\');
            i += run - 1;
            continue;
        }
        if (text[i] == '"') escaped += '\\';
        escaped += text[i];
    }
    return "\"" + printable(escaped) + "\"";
}

std::string quotedWords(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) line += (line.empty() ? "" : " ") + quotedPrintable(word);
    return line;
}

}  // namespace platform
