// The order of a folder's listing, shared by the listing itself and by the
// library, which puts an album that appears later in its place among the others.
#include "platform/platform.h"

namespace platform {

namespace {

unsigned char folded(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

// `at(text, i)` is the byte at i, 0 past the name's end; names hold no 0 byte.
template <typename Name, typename At>
bool before(const Name& a, const Name& b, At at) {
    for (size_t i = 0;; ++i) {
        const unsigned char x = at(a, i), y = at(b, i);
        if (folded(x) != folded(y)) return folded(x) < folded(y);
        if (x == 0) break;
    }
    for (size_t i = 0;; ++i) {
        const unsigned char x = at(a, i), y = at(b, i);
        if (x != y || x == 0) return x < y;
    }
}

}  // namespace

bool listedBefore(const char* a, const char* b) {
    return before(a, b, [](const char* text, size_t i) { return static_cast<unsigned char>(text[i]); });
}

bool listedBefore(std::string_view a, std::string_view b) {
    return before(a, b, [](std::string_view text, size_t i) {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : static_cast<unsigned char>(0);
    });
}

void appendListingKey(std::string_view name, std::string* key) {
    for (char c : name) *key += char(folded(static_cast<unsigned char>(c)));
    *key += '\0';
    key->append(name);
    *key += '\0';
}

}  // namespace platform
