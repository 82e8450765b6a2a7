#include "app/opening.h"

#include "app/app_state.h"

uint32_t openingTick = 0;

void beginOpening(uint32_t tick) {
    openingTick = tick;
    playTime = tick + 2000;
}
