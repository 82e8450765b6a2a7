#include "app/mouse.h"

#include <cmath>

#include "app/app_state.h"
#include "app/drag.h"
#include "app/input.h"
#include "library/albums_loader.h"
#include "render/hit_test.h"

namespace {

bool pressed = false;
bool following = false;   // the press became a drag
bool movedRow = false;    // the row moved since the last pass
int pressX = 0, pressY = 0;
int anchorX = 0;          // pointer x the drag counts from
float anchorPosition = 0; // the row's position when the drag began
DragSpeed speed;

}  // namespace

void leftButtonPressed(int x, int y) {
    pressed = albums->getAlbumsCount() > 0;  // an empty row has nothing to click or drag
    following = false;
    pressX = x;
    pressY = y;
}

void pointerMoved(int x, int y, bool leftHeld) {
    if (!pressed) return;
    if (!leftHeld) {
        if (following)
            leftButtonReleased(x, y);
        else
            pressed = false;  // not a click the user saw through
        return;
    }
    if (!following) {
        if (!beyondClick(pressX, pressY, x, y)) return;
        // The drag starts from where the row stands now (it may have been
        // gliding since the press), counted from the press point, so the
        // pixels of the click slop are not lost.
        following = true;
        anchorX = pressX;
        anchorPosition = position;
        speed.reset();
        goToAlbum(current);  // a command of its own: hides the help, re-arms Return
    }
    position = dragPosition(anchorPosition, anchorX, x, screenHeight, albums->getAlbumsCount());
    current = int(std::lround(position));  // the caption names the album in the middle
    speed.add(now, position);
    movedRow = true;
}

void leftButtonReleased(int x, int y) {
    if (!pressed) return;  // pressed before the window had the pointer
    pressed = false;
    const int count = albums->getAlbumsCount();
    if (following) {
        following = false;
        goToAlbum(throwTarget(position, speed.albumsPerTick(now), count));
        return;
    }
    const int hit = coverAt(x, y, screenWidth, screenHeight, position, count);
    if (hit >= 0 && hit != current)
        goToAlbum(hit);
    else
        processKeys(KeyReturn);
}

bool dragging() { return following; }

void rowShifted(float by) { anchorPosition += by; }

PassAction dragPass(Pacing& pacing) {
    pacing.idlePasses = 0;
    if (!movedRow) return PassAction::Sleep;
    movedRow = false;
    return PassAction::Draw;
}
