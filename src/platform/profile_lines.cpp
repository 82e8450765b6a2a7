#include "platform/profile_lines.h"

namespace platform {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string trimmed(const std::string& text, size_t begin, size_t end) {
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// One pair of matching surrounding quotes, '…' or "…", is not part of a value.
std::string withoutQuotes(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

ProfileLine lineOf(const std::string& text, int number) {
    ProfileLine line;
    line.number = number;
    line.text = text;
    const size_t close = text.rfind(']'), equals = text.find('=');
    if (text.empty()) {
        line.kind = ProfileLine::Blank;
    } else if (text[0] == ';') {
        line.kind = ProfileLine::Comment;
    } else if (text[0] == '[' && close != std::string::npos) {
        line.kind = ProfileLine::Section;
        line.name = trimmed(text, 1, close);
    } else if (equals != std::string::npos) {
        line.kind = ProfileLine::Key;
        line.name = trimmed(text, 0, equals);
        line.value = withoutQuotes(trimmed(text, equals + 1, text.size()));
    } else {
        line.kind = ProfileLine::Other;
    }
    return line;
}

}  // namespace

std::vector<ProfileLine> profileLines(const std::string& content) {
    std::vector<ProfileLine> lines;
    size_t start = content.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    int number = 0;
    while (start < content.size()) {
        // LF, CRLF and the lone CR of old Mac editors each end one line.
        size_t end = content.find_first_of("\r\n", start);
        if (end == std::string::npos) end = content.size();
        lines.push_back(lineOf(trimmed(content, start, end), ++number));
        start = end + (content.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

bool sameProfileName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

}  // namespace platform
