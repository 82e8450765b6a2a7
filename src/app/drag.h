// Dragging the row with the left button, and the glide it is thrown into on
// release. Pure maths on pixels, album units and tick values.
#pragma once

#include <cstdint>

constexpr int kClickSlop = 5;            // a press and release moving less than this (pixels) is a click
constexpr uint32_t kThrowSampleTicks = 100;  // the drag's speed is taken over its last this-many ticks
// How far ahead a throw lands: the glide eases a fifteenth of the way per pass
// of about 16 ticks, so it starts at the drag's speed when it is given the
// distance the drag would cover in 15 passes.
constexpr double kThrowReachTicks = 240;

// Pixels the pointer moves for the row to move one album: the spacing of the
// side covers on screen, so the covers under the pointer stay under it.
double pixelsPerAlbum(int windowHeight);

// True once the pointer has gone kClickSlop pixels or more from the press.
bool beyondClick(int pressX, int pressY, int x, int y);

// The row's position with the pointer at x, for a drag that began at pressX
// with the row at pressPosition: moving left brings later albums to the
// middle. Kept within 0 .. count - 1.
float dragPosition(float pressPosition, int pressX, int x, int windowHeight, int count);

// The last few positions of a drag with their ticks, for its speed on release.
class DragSpeed {
public:
    void reset();
    void add(uint32_t tick, float position);
    // Albums per tick over the last kThrowSampleTicks of moving; 0 when the
    // pointer stood still longer than that before `releaseTick`, or there is
    // too little to tell.
    double albumsPerTick(uint32_t releaseTick) const;

private:
    static constexpr int kSamples = 16;
    uint32_t ticks_[kSamples] = {};
    float positions_[kSamples] = {};
    int count_ = 0;  // samples held, newest at (next_ - 1)
    int next_ = 0;
};

// Where a row released at `position` moving at `albumsPerTick` comes to
// rest: the album nearest to where the throw reaches, within the library.
int throwTarget(float position, double albumsPerTick, int count);
