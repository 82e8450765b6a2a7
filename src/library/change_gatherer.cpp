#include "library/change_gatherer.h"

void ChangeGatherer::changed(const std::string& folder, uint32_t now) { lastChange_[folder] = now; }

std::vector<std::string> ChangeGatherer::takeQuiet(uint32_t now) {
    std::vector<std::string> quiet;
    for (auto at = lastChange_.begin(); at != lastChange_.end();) {
        // Ticks wrap after 49 days: the difference stays right across the wrap.
        if (uint32_t(now - at->second) >= quietMs_) {
            quiet.push_back(at->first);
            at = lastChange_.erase(at);
        } else {
            ++at;
        }
    }
    return quiet;  // the map keeps them sorted: "A" before "A/B"
}

uint32_t ChangeGatherer::untilNextQuiet(uint32_t now, uint32_t idle) const {
    uint32_t soonest = idle;
    for (const auto& [folder, tick] : lastChange_) {
        const uint32_t waited = now - tick;
        const uint32_t left = waited >= quietMs_ ? 0 : quietMs_ - waited;
        if (left < soonest) soonest = left;
    }
    return soonest;
}
