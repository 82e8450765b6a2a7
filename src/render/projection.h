// The camera and the perspective every frame is seen through, as numbers the
// GL set-up, the hit-testing of the mouse and the cover loading all share.
#pragma once

constexpr double kFieldOfViewY = 90;  // degrees, vertical: a taller window shows the same scene larger
constexpr double kNearPlane = 0.1;
constexpr double kFarPlane = 3.0;     // the plane z = 0 lies exactly at the far clip
constexpr double kEyeZ = 3;           // camera at (0, 0, 3) looking at the origin, y up

// The middle cover's height on screen in pixels: the field of view is
// vertical, so it is 2/3 of the window's height whatever the width (400 in the
// 600 x 600 window); a wider window only shows more of the side covers.
int middleCoverPixelHeight(int windowWidth, int windowHeight);

// How many covers stand in a width x height window on one side of the middle
// one, counted to the ones whose middle is inside it (at least 1): 4 in the
// 600 x 600 window, 8 at 1920 x 1080.
int sideCoversInView(int windowWidth, int windowHeight);
