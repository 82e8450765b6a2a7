#include "app/drag.h"

#include <algorithm>
#include <cmath>

#include "render/cover_strip.h"
#include "render/projection.h"

double pixelsPerAlbum(int windowHeight) {
    // Side covers stand 0.5 apart; what shows of each is its outer edge, the
    // one turned toward the viewer, so that is the depth that counts.
    const CoverPlacement side = coverPlacement(2), next = coverPlacement(3);
    const double edgeZ = side.forward + std::sin(std::fabs(side.turn) * M_PI / 180);
    const double tanHalf = std::tan(kFieldOfViewY / 2 * M_PI / 180);
    return (next.sideways - side.sideways) / (kEyeZ - edgeZ) / tanHalf * (windowHeight / 2.0);
}

bool beyondClick(int pressX, int pressY, int x, int y) {
    const int dx = x - pressX, dy = y - pressY;
    return dx * dx + dy * dy >= kClickSlop * kClickSlop;
}

float dragPosition(float pressPosition, int pressX, int x, int windowHeight, int count) {
    const double moved = double(pressX - x) / pixelsPerAlbum(windowHeight);
    return float(std::clamp(double(pressPosition) + moved, 0.0, double(std::max(count - 1, 0))));
}

void DragSpeed::reset() { count_ = next_ = 0; }

void DragSpeed::add(uint32_t tick, float position) {
    ticks_[next_] = tick;
    positions_[next_] = position;
    next_ = (next_ + 1) % kSamples;
    count_ = std::min(count_ + 1, kSamples);
}

double DragSpeed::albumsPerTick(uint32_t releaseTick) const {
    if (count_ < 2) return 0;
    const int newest = (next_ + kSamples - 1) % kSamples;
    if (releaseTick - ticks_[newest] > kThrowSampleTicks) return 0;  // it stood still before the release
    // The oldest sample within the window before the last move: events come
    // in bursts of a pass, so the window is counted from the last one.
    int oldest = newest;
    for (int k = 1; k < count_; ++k) {
        const int i = (newest + kSamples - k) % kSamples;
        if (ticks_[newest] - ticks_[i] > kThrowSampleTicks) break;
        oldest = i;
    }
    const uint32_t span = ticks_[newest] - ticks_[oldest];
    if (span == 0) return 0;
    return (double(positions_[newest]) - double(positions_[oldest])) / double(span);
}

int throwTarget(float position, double albumsPerTick, int count) {
    const double reach = double(position) + albumsPerTick * kThrowReachTicks;
    return int(std::lround(std::clamp(reach, 0.0, double(std::max(count - 1, 0)))));
}
