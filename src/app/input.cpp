#include "app/input.h"

#include <algorithm>
#include <cstdlib>

#include "app/album_orders.h"
#include "app/app_state.h"
#include "app/player_notice.h"
#include "app/player_watch.h"
#include "app/window.h"
#include "library/albums_loader.h"
#include "platform/platform.h"
#include "render/caption.h"
#include "render/projection.h"

bool helpShown = false;
FindText findText;
bool redrawWanted = false;

static void handOverSelection(platform::PlayerAction action) {
    // The tick is taken before the player starts, so the hop and the launch
    // window count from the command, whatever the start costs.
    playTime = platform::ticks();
    playing = current;
    handOverAlbum(current, action, platform::ticks());
}

// Searches with one more character typed at `now`. A text that only grew can
// start where the shorter one matched: no album before that starts with it.
static void findAlbum(char c) {
    const bool extending = findTextLive(findText, now);
    typeCharacter(findText, c, now);
    if (extending && !findText.matched) return;  // a longer text cannot match either
    const int from = extending ? current : 0;
    const int match = firstMatchingAlbum(
        albums->getAlbumsCount(), [](int i) { return captionText(albums->getAlbumName(i)); }, findText.text, from);
    findText.matched = match >= 0;
    if (findText.matched) current = match;
    redrawWanted = true;
}

// Any command but F1 hides the help; any but a typed character ends the search.
static void closeOverlays(int key, char typed) {
    if (key != KeyF1 && helpShown) {
        helpShown = false;
        redrawWanted = true;
    }
    if (!typed && !findText.text.empty()) {
        findText.text.clear();
        redrawWanted = true;
    }
}

int movedSelection(int key, int current, int count, int screenful) {
    switch (key) {
        case KeyDown: return std::min(current + screenful, count - 1);
        case KeyUp: return std::max(current - screenful, 0);
        case KeyRight: return std::min(current + 1, count - 1);
        case KeyLeft: return std::max(current - 1, 0);
        case KeyPageDown: return std::min(current + kPageAlbums, count - 1);
        case KeyPageUp: return std::max(current - kPageAlbums, 0);
        case KeyHome: return 0;
        case KeyEnd: return count - 1;
        default: return current;
    }
}

void processKeys(int key) {
    const int count = albums->getAlbumsCount();
    const char typed = typedCharacter(key, findText, now);
    closeOverlays(key, typed);
    if (count == 0 && key != KeyEscape && key != KeyF1 && key != KeyF11) {
        lastKey = key;  // every album went: nothing to move to or to play
        return;
    }
    switch (key) {
        case KeyReturn:
            if (lastKey == KeyReturn)
                done = 1;
            else
                handOverSelection(platform::PlayerAction::Play);
            break;
        case KeyEnqueue:
            handOverSelection(platform::PlayerAction::Enqueue);
            break;
        case KeyEscape:
            done = 1;
            break;
        case KeySpace:
            if (typed) findAlbum(typed);
            else current = std::rand() % count;
            break;
        case KeyRight:
        case KeyLeft:
        case KeyPageDown:
        case KeyPageUp:
        case KeyHome:
        case KeyEnd:
            current = movedSelection(key, current, count);
            break;
        case KeyUp:
        case KeyDown:
            current = movedSelection(key, current, count, sideCoversInView(screenWidth, screenHeight));
            break;
        case KeyPlay:
            handOverSelection(platform::PlayerAction::Play);
            break;
        case KeyF2:
        case KeyNextOrder:
            nextOrder(now);
            break;
        case KeyF1:
            helpShown = !helpShown;
            redrawWanted = true;
            break;
        case KeyF11:
            toggleFullScreen();
            redrawWanted = true;
            break;
        default:
            if (typed) findAlbum(typed);
            break;  // other keys have no command, but still re-arm Return below
    }
    lastKey = key;
}

void goToAlbum(int index) {
    closeOverlays(0, 0);
    current = std::clamp(index, 0, std::max(albums->getAlbumsCount() - 1, 0));
    lastKey = 0;  // not Return: the next Return hands over again
}

int mouseButtonKey(int button) {
    switch (button) {
        case 1: return KeyReturn;
        case 2: return KeySpace;
        case 3: return KeyEscape;
        case 4: return KeyLeft;
        case 5: return KeyRight;
        default: return 0;
    }
}

void processMouse(int button) {
    const int key = mouseButtonKey(button);
    if (!key) return;
    if (!findText.text.empty()) {
        findText.text.clear();
        redrawWanted = true;
    }
    processKeys(key);
}
