#include "texture/texture_budget.h"

#include <algorithm>
#include <cmath>
#include <limits>

std::vector<int> chooseEvictions(std::vector<ResidentCover> resident, size_t waitingBytes, size_t budget,
                                 float position, int keepFirst, int keepEnd) {
    size_t total = waitingBytes;
    for (const ResidentCover& cover : resident) total += cover.bytes;
    std::vector<int> evicted;
    if (total <= budget) return evicted;
    std::sort(resident.begin(), resident.end(), [&](const ResidentCover& a, const ResidentCover& b) {
        const double da = std::fabs(a.album - double(position)), db = std::fabs(b.album - double(position));
        return da != db ? da > db : a.album > b.album;
    });
    for (const ResidentCover& cover : resident) {
        if (total <= budget) break;
        if (cover.album >= keepFirst && cover.album < keepEnd) continue;
        evicted.push_back(cover.album);
        total -= cover.bytes;
    }
    return evicted;
}

size_t uploadRoom(const UploadBudget& budget, int uploads, size_t uploadedBytes, uint32_t elapsedTicks) {
    if (uploads <= 0) return std::numeric_limits<size_t>::max();
    if (elapsedTicks >= budget.ticks || uploadedBytes >= budget.bytes) return 0;
    return budget.bytes - uploadedBytes;
}
