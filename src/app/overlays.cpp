#include "app/overlays.h"

#include "app/album_orders.h"
#include "app/input.h"
#include "app/player_notice.h"
#include "render/help_overlay.h"

static bool findLineDrawn = false;  // whether the last drawn frame showed the search line
static bool noticeDrawn = false;    // and the player notice
static std::vector<std::string> orderLinesDrawn;  // and the order's notice (none when empty)

bool overlayRedrawDue(uint32_t now) {
    return redrawWanted || (findLineDrawn && !findTextLive(findText, now)) ||
           (noticeDrawn && !playerNoticeLive(playerNotice, now)) ||
           (!playerNoticeLive(playerNotice, now) && orderNoticeLines(now) != orderLinesDrawn);
}

void drawOverlays(uint32_t now) {
    redrawWanted = false;
    findLineDrawn = findTextLive(findText, now);
    noticeDrawn = playerNoticeLive(playerNotice, now);
    if (findLineDrawn) drawFindText(findText);
    // A player that failed is said over the order's notice.
    orderLinesDrawn = noticeDrawn ? std::vector<std::string>() : orderNoticeLines(now);
    if (noticeDrawn) drawPlayerNotice(playerNotice.lines);
    else if (!orderLinesDrawn.empty()) drawPlayerNotice(orderLinesDrawn);
    if (helpShown) drawHelpOverlay();
}
