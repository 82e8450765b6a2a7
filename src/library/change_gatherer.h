// Gathers the bursts of changes a folder sees while an album is copied in,
// moved or deleted: a folder is handed on to be listed again only once it
// has been quiet for a while, so a thousand file events make one listing.
// Pure: the caller gives the time, so tests need no clock.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

constexpr uint32_t kQuietBeforeListing = 500;  // milliseconds a folder must be quiet

class ChangeGatherer {
public:
    explicit ChangeGatherer(uint32_t quietMs = kQuietBeforeListing) : quietMs_(quietMs) {}

    // Something changed in `folder` at tick `now`.
    void changed(const std::string& folder, uint32_t now);
    // The folders quiet for quietMs at tick `now`, in path order (a folder
    // before the folders below it); they are forgotten until they change again.
    std::vector<std::string> takeQuiet(uint32_t now);
    // Milliseconds from `now` until the next folder is quiet; `idle` when none waits.
    uint32_t untilNextQuiet(uint32_t now, uint32_t idle) const;
    bool empty() const { return lastChange_.empty(); }

private:
    uint32_t quietMs_;
    std::map<std::string, uint32_t> lastChange_;  // folder -> tick of its latest change
};
