// The browser's cover globals for a GL test: the library over a music folder,
// a texture table of one empty record per album and the cover streaming over
// both (in `coverStreaming` too), with one loader thread. Released as shutdown
// releases them, while the test's GL context still exists.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "texture/texture_streaming.h"

class StreamingFixture {
public:
    explicit StreamingFixture(const std::string& folder, size_t budget = size_t(256) << 20);
    ~StreamingFixture();
    StreamingFixture(const StreamingFixture&) = delete;
    StreamingFixture& operator=(const StreamingFixture&) = delete;

    int count() const;

    // Steps at `at` until the loader has nothing left and a step brings
    // nothing; returns the albums given a texture, in order. Fails the test
    // when a step's uploads beyond its first take more than the step's
    // upload budget.
    std::vector<int> settle(float at, int n, int coverHeight = 400);
    // One step at `at`; returns the albums given a texture by it, nearest
    // first (the order the step takes them in), with the same check.
    std::vector<int> stepOnce(float at, int n, int coverHeight = 400);

    std::unique_ptr<CoverStreaming> streaming;
};
