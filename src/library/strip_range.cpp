#include "library/strip_range.h"

#include <algorithm>

StripRange stripRange(float position, int albumCount) {
    const int base = int(position);  // truncation toward zero
    return {std::max(base - kStripReach, 0), std::min(base + kStripReach + 1, albumCount)};
}
