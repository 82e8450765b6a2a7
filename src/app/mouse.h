// The left button: a click (press and release within kClickSlop pixels) acts
// on release, on the cover under the pointer; a drag moves the row with the
// pointer and throws it into a glide on release. The other buttons keep their
// commands on the press (processMouse).
#pragma once

#include "app/pacing.h"

void leftButtonPressed(int x, int y);
// `leftHeld` is the button's state with the move: a release that never
// arrived (let go outside the window) ends the drag there, or drops the click.
void pointerMoved(int x, int y, bool leftHeld);
// A click on a side cover glides to it (a command of its own, not Return); a
// click on the middle cover or the background is Return. A drag comes to rest
// on the album its throw reaches.
void leftButtonReleased(int x, int y);

// The albums moved under the row by `by` places (the library changed): a
// drag in progress moves its anchor with them.
void rowShifted(float by);

// True while the row follows the pointer; the loop then asks dragPass
// instead of the pacing.
bool dragging();
// Draw when the pointer moved the row since the last pass, else rest a while.
PassAction dragPass(Pacing& pacing);
