#include "texture/cover_requests.h"

#include <algorithm>
#include <cstdlib>

int walkRank(int offset) { return offset > 0 ? 2 * offset - 1 : -2 * offset; }

bool CoverRequestQueue::add(int album, int coverHeight) {
    if (std::abs(album - base_) > reach_) return false;
    for (CoverRequest& request : pending_)
        if (request.album == album) {
            request.coverHeight = coverHeight;
            return true;
        }
    pending_.push_back({album, coverHeight});
    return true;
}

std::vector<int> CoverRequestQueue::moveTo(int base) {
    base_ = base;
    std::vector<int> dropped;
    auto gone = std::remove_if(pending_.begin(), pending_.end(), [&](const CoverRequest& request) {
        if (std::abs(request.album - base_) <= reach_) return false;
        dropped.push_back(request.album);
        return true;
    });
    pending_.erase(gone, pending_.end());
    return dropped;
}

bool CoverRequestQueue::takeNext(CoverRequest* request) {
    if (pending_.empty()) return false;
    auto nearest = std::min_element(pending_.begin(), pending_.end(), [&](const CoverRequest& a, const CoverRequest& b) {
        return walkRank(a.album - base_) < walkRank(b.album - base_);
    });
    *request = *nearest;
    pending_.erase(nearest);
    return true;
}

bool CoverRequestQueue::contains(int album) const {
    return std::any_of(pending_.begin(), pending_.end(), [&](const CoverRequest& r) { return r.album == album; });
}
