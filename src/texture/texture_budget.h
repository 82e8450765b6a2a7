// Which cover textures go when texture memory is over its budget: a pure
// rule over the resident covers, tested without GL.
#pragma once

#include <cstddef>
#include <vector>

// Default budget for cover textures and the pictures waiting to become
// textures; the `texturememory` setting (MiB) changes it.
constexpr size_t kDefaultTextureBudgetMiB = 256;

struct ResidentCover {
    int album;
    size_t bytes;  // every mip level at 4 bytes a texel
};

// Albums to release, in the order to release them, so that the resident
// bytes plus `waitingBytes` (decoded, not yet uploaded, and what the decodes
// in hand hold) fit `budget`: the
// cover farthest from `position` first (the later album first on a tie); an
// album in keepFirst .. keepEnd - 1 (the drawn strip) is never chosen, even
// when the budget is still exceeded without it.
std::vector<int> chooseEvictions(std::vector<ResidentCover> resident, size_t waitingBytes, size_t budget,
                                 float position, int keepFirst, int keepEnd);
