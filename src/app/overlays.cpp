#include "app/overlays.h"

#include "app/input.h"
#include "app/player_notice.h"
#include "render/help_overlay.h"

static bool findLineDrawn = false;  // whether the last drawn frame showed the search line
static bool noticeDrawn = false;    // and the player notice

bool overlayRedrawDue(uint32_t now) {
    return redrawWanted || (findLineDrawn && !findTextLive(findText, now)) ||
           (noticeDrawn && !playerNoticeLive(playerNotice, now));
}

void drawOverlays(uint32_t now) {
    redrawWanted = false;
    findLineDrawn = findTextLive(findText, now);
    noticeDrawn = playerNoticeLive(playerNotice, now);
    if (findLineDrawn) drawFindText(findText);
    if (noticeDrawn) drawPlayerNotice(playerNotice.lines);
    if (helpShown) drawHelpOverlay();
}
