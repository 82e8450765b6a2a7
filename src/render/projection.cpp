#include "render/projection.h"

#include <cmath>

int middleCoverPixelHeight(int /*windowWidth*/, int windowHeight) {
    // The middle cover (2 units tall) stands at z = 1.5, so 1.5 from the eye,
    // where the view is 2 * 1.5 * tan(45 degrees) = 3 units tall.
    const double coverDistance = kEyeZ - 1.5;
    const double viewHeight = 2 * coverDistance * std::tan(kFieldOfViewY / 2 * M_PI / 180);
    return int(std::lround(windowHeight * 2 / viewHeight));
}
