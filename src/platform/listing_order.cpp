// The order of a folder's listing, shared by the listing itself and by the
// library, which puts an album that appears later in its place among the others.
#include <algorithm>
#include <cstring>

#include "platform/platform.h"

namespace platform {

bool listedBefore(std::string_view a, std::string_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        const unsigned char fx = x >= 'a' && x <= 'z' ? x - 'a' + 'A' : x;
        const unsigned char fy = y >= 'a' && y <= 'z' ? y - 'a' + 'A' : y;
        if (fx != fy) return fx < fy;
    }
    if (a.size() != b.size()) return a.size() < b.size();  // a name's end is lowest
    return a.compare(b) < 0;                                 // byte by byte, as unsigned
}

bool listedBefore(const char* a, const char* b) {
    return listedBefore(std::string_view(a, std::strlen(a)), std::string_view(b, std::strlen(b)));
}

}  // namespace platform
