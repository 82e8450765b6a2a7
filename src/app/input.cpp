#include "app/input.h"

#include <cstdlib>

#include "app/app_state.h"
#include "library/albums_loader.h"
#include "platform/platform.h"

static void handOverSelection() {
    // The tick is taken before the player starts, so the hop and the launch
    // window count from the command, whatever the start costs.
    playTime = platform::ticks();
    playing = current;
    albums->playAlbum(current);
}

void processKeys(int key) {
    const int count = albums->getAlbumsCount();
    switch (key) {
        case KeyReturn:
            if (lastKey == KeyReturn)
                done = 1;
            else
                handOverSelection();
            break;
        case KeyEscape:
            done = 1;
            break;
        case KeySpace:
            current = std::rand() % count;
            break;
        case KeyRight:
            if (current < count - 1) ++current;
            break;
        case KeyLeft:
            if (current > 0) --current;
            break;
        default:
            break;  // no command, but it still re-arms Return below
    }
    lastKey = key;
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
    if (int key = mouseButtonKey(button)) processKeys(key);
}
