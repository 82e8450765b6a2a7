#include "app/overlays.h"

#include "app/input.h"
#include "render/help_overlay.h"

static bool findLineDrawn = false;  // whether the last drawn frame showed the search line

bool overlayRedrawDue(uint32_t now) {
    return redrawWanted || (findLineDrawn && !findTextLive(findText, now));
}

void drawOverlays(uint32_t now) {
    redrawWanted = false;
    findLineDrawn = findTextLive(findText, now);
    if (findLineDrawn) drawFindText(findText);
    if (helpShown) drawHelpOverlay();
}
