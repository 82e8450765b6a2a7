#include "render/hit_test.h"

#include <cmath>

#include "render/cover_strip.h"
#include "render/projection.h"

namespace {

struct Vec {
    double x, y, z;
};

// Undoes glRotatef(turn, 0, 1, 0) on a vector.
Vec unturn(Vec v, double turnDegrees) {
    const double a = turnDegrees * M_PI / 180;
    const double c = std::cos(a), s = std::sin(a);
    return {v.x * c - v.z * s, v.y, v.x * s + v.z * c};
}

}  // namespace

int coverAt(int x, int y, int width, int height, float position, int albumCount) {
    if (width <= 0 || height <= 0 || albumCount <= 0) return -1;
    // The ray through the pixel's centre, in the world: the eye at (0, 0, kEyeZ)
    // looks down -z with the vertical field of view of the projection.
    const double tanHalf = std::tan(kFieldOfViewY / 2 * M_PI / 180);
    const double aspect = double(width) / double(height);
    const double ndcX = 2 * (x + 0.5) / width - 1;
    const double ndcY = 1 - 2 * (y + 0.5) / height;
    const Vec eye{0, 0, kEyeZ};
    const Vec direction{ndcX * aspect * tanHalf, ndcY * tanHalf, -1};

    int hit = -1;
    double nearest = INFINITY;
    const StripRange range = stripRange(position, albumCount);
    for (int i = range.first; i < range.end; ++i) {
        const CoverPlacement p = coverPlacement(double(i) - double(position));
        // Into the cover's own frame, where it is the square |x|, |y| <= 1 at z = 0.
        const Vec origin = unturn({eye.x - p.sideways, eye.y, eye.z - p.forward}, p.turn);
        const Vec along = unturn(direction, p.turn);
        if (std::fabs(along.z) < 1e-12) continue;  // the ray runs along the cover
        const double t = -origin.z / along.z;
        if (t <= 0 || t >= nearest) continue;
        const double localX = origin.x + t * along.x, localY = origin.y + t * along.y;
        if (std::fabs(localX) > 1 || std::fabs(localY) > 1) continue;
        const double worldZ = eye.z + t * direction.z;
        if (worldZ < 0 || worldZ > kEyeZ - kNearPlane) continue;  // clipped away on screen
        nearest = t;
        hit = i;
    }
    return hit;
}
