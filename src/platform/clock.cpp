// The tick clock: SDL's millisecond counter unless a test installed its own.
#include <SDL.h>

#include "platform/platform.h"

namespace platform {
namespace {
Clock* installed = nullptr;
}

uint32_t ticks() { return installed ? installed->ticks() : SDL_GetTicks(); }

void delay(uint32_t milliseconds) {
    if (installed)
        installed->delay(milliseconds);
    else
        SDL_Delay(milliseconds);
}

void setClock(Clock* clock) { installed = clock; }

}  // namespace platform
