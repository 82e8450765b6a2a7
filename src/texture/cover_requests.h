// The cover request queue's rules, without threads: which album's cover the
// loader takes next, how requests are re-ranked when the position moves and
// which are dropped. The loader keeps one of these behind its mutex.
//
// A request names its album by the album's key (its folder below the music
// folder), which stays the same when albums are added or removed; the place
// (the album's index when it was asked for) only ranks it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Rank of an album `offset` places from the position in the walk 0, +1, -1,
// +2, -2, ...: 0 for the album at the position, 1 for the next, 2 for the
// previous, and so on. Lower goes first.
int walkRank(int offset);

// The place an album at `place` moved to (newIndexOfOld as renumber takes
// it); -1 when it went.
int movedPlace(const std::vector<int>& newIndexOfOld, int place);

struct CoverRequest {
    std::string key;      // the album
    std::string folder;   // where its cover is looked for, found when asked
    int place = 0;        // its place in the row when asked
    int coverHeight = 0;  // middle cover's height on screen when asked
};

class CoverRequestQueue {
public:
    // Requests beyond this many places from the position are dropped.
    explicit CoverRequestQueue(int reach) : reach_(reach) {}

    // Queues a request; one already queued for the album is updated instead
    // of doubled. False (nothing queued) when the album is beyond the reach.
    bool add(CoverRequest request);
    // The position moved: later takes follow the walk from `base`, and the
    // requests now beyond the reach are dropped. Returns the dropped albums' keys.
    std::vector<std::string> moveTo(int base);
    // The albums moved: album `i` now stands at newIndexOfOld[i] (-1: gone).
    // Each request's place follows its album; those of albums gone are dropped.
    void renumber(const std::vector<int>& newIndexOfOld);
    // Removes the request nearest in the walk; false when there is none.
    bool takeNext(CoverRequest* request);

    int base() const { return base_; }
    size_t size() const { return pending_.size(); }
    bool contains(const std::string& key) const;

private:
    int reach_;
    int base_ = 0;
    std::vector<CoverRequest> pending_;  // at most 2 * reach + 1: a linear scan is enough
};
