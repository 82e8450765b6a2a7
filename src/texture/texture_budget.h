// Which cover textures go when texture memory is over its budget: a pure
// rule over the resident covers, tested without GL.
#pragma once

#include <cstddef>
#include <cstdint>
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

// How much the frame thread uploads in one streaming step. A cover's upload
// costs about its texture's bytes (the driver copies and converts every
// level), so the budget counts bytes, and the platform clock stops a step on
// a driver slower than that assumes. Four 512-texel covers (the texture edge
// of a window up to about 770 pixels high, and the thumbnail cache's x-large
// size) fit in one step: about 2.5 ms under software GL.
struct UploadBudget {
    size_t bytes;    // texture bytes of a step's uploads together (the first goes whatever its size)
    uint32_t ticks;  // milliseconds spent uploading after which none follows
};
constexpr UploadBudget kStepUploadBudget = {size_t(6) << 20, 4};
// The step before the first frame has no frame before it to keep in time:
// what was decoded while the window opened all goes up with it.
constexpr UploadBudget kOpeningUploadBudget = {size_t(24) << 20, 33};
// When the covers were asked for before the window opened (a library known
// at once), the first frame waits at most this long for the nearest four
// still on their way, so that it shows them rather than plain panels that
// fill a frame later: thumbnails decode in a few milliseconds each.
constexpr uint32_t kOpeningCoverWaitTicks = 60;

// The texture bytes the next finished cover of a step may take, given the
// `uploads` already made in the step, their `uploadedBytes` and the
// `elapsedTicks` they took: any size for the first (a step never leaves a
// finished cover waiting for nothing), else what is left of the bytes while
// the time lasts, 0 once either has run out.
size_t uploadRoom(const UploadBudget& budget, int uploads, size_t uploadedBytes, uint32_t elapsedTicks);
