#include "app/remote_keys.h"

#include <SDL.h>

#include "app/input.h"

int keyCommand(int symbol, int modifiers) {
    if (symbol == SDLK_KP_ENTER) return KeyReturn;
    if (symbol < SDLK_KP0 || symbol > SDLK_KP9) return symbol;
    if (modifiers & KMOD_NUM) return '0' + (symbol - SDLK_KP0);
    switch (symbol) {
        case SDLK_KP4: return KeyLeft;
        case SDLK_KP6: return KeyRight;
        case SDLK_KP8: return KeyUp;
        case SDLK_KP2: return KeyDown;
        case SDLK_KP9: return KeyPageUp;
        case SDLK_KP3: return KeyPageDown;
        case SDLK_KP7: return KeyHome;
        case SDLK_KP1: return KeyEnd;
        default: return symbol;  // 5 and 0 (Insert) have nothing to stand for
    }
}
