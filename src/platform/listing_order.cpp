// The order of a folder's listing, shared by the listing itself and by the
// library, which puts an album that appears later in its place among the others.
#include <cstring>

#include "platform/platform.h"

namespace platform {

bool listedBefore(const char* a, const char* b) {
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    for (;; ++x, ++y) {
        const unsigned char fx = *x >= 'a' && *x <= 'z' ? *x - 'a' + 'A' : *x;
        const unsigned char fy = *y >= 'a' && *y <= 'z' ? *y - 'a' + 'A' : *y;
        if (fx != fy) return fx < fy;
        if (*x == 0) break;
    }
    return std::strcmp(a, b) < 0;
}

}  // namespace platform
