#include "render/projection.h"

#include <algorithm>
#include <cmath>

int middleCoverPixelHeight(int /*windowWidth*/, int windowHeight) {
    // The middle cover (2 units tall) stands at z = 1.5, so 1.5 from the eye,
    // where the view is 2 * 1.5 * tan(45 degrees) = 3 units tall.
    const double coverDistance = kEyeZ - 1.5;
    const double viewHeight = 2 * coverDistance * std::tan(kFieldOfViewY / 2 * M_PI / 180);
    return int(std::lround(windowHeight * 2 / viewHeight));
}

int sideCoversInView(int windowWidth, int windowHeight) {
    // The side covers stand in the plane z = 0, cover m at x = m / 2 + 1,
    // where the view is kEyeZ * tan(45 degrees) * aspect wide on each side.
    const double halfWidth = kEyeZ * std::tan(kFieldOfViewY / 2 * M_PI / 180) * windowWidth / std::max(windowHeight, 1);
    return std::max(1, int(std::floor(2 * (halfWidth - 1) + 1e-9)));
}
