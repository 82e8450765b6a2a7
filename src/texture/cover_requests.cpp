#include "texture/cover_requests.h"

#include <algorithm>
#include <cstdlib>

int walkRank(int offset) { return offset > 0 ? 2 * offset - 1 : -2 * offset; }

bool CoverRequestQueue::add(CoverRequest request) {
    if (std::abs(request.place - base_) > reach_) return false;
    for (CoverRequest& queued : pending_)
        if (queued.key == request.key) {
            queued = std::move(request);
            return true;
        }
    pending_.push_back(std::move(request));
    return true;
}

std::vector<std::string> CoverRequestQueue::moveTo(int base) {
    base_ = base;
    std::vector<std::string> dropped;
    auto gone = std::remove_if(pending_.begin(), pending_.end(), [&](const CoverRequest& request) {
        if (std::abs(request.place - base_) <= reach_) return false;
        dropped.push_back(request.key);
        return true;
    });
    pending_.erase(gone, pending_.end());
    return dropped;
}

int movedPlace(const std::vector<int>& newIndexOfOld, int place) {
    return place >= 0 && place < int(newIndexOfOld.size()) ? newIndexOfOld[size_t(place)] : -1;
}

void CoverRequestQueue::renumber(const std::vector<int>& newIndexOfOld) {
    auto gone = std::remove_if(pending_.begin(), pending_.end(), [&](CoverRequest& request) {
        request.place = movedPlace(newIndexOfOld, request.place);
        return request.place < 0;
    });
    pending_.erase(gone, pending_.end());
}

bool CoverRequestQueue::takeNext(CoverRequest* request) {
    if (pending_.empty()) return false;
    auto nearest = std::min_element(pending_.begin(), pending_.end(), [&](const CoverRequest& a, const CoverRequest& b) {
        return walkRank(a.place - base_) < walkRank(b.place - base_);
    });
    *request = std::move(*nearest);
    pending_.erase(nearest);
    return true;
}

bool CoverRequestQueue::contains(const std::string& key) const {
    return std::any_of(pending_.begin(), pending_.end(), [&](const CoverRequest& r) { return r.key == key; });
}
