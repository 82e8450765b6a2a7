#include "app/pacing.h"


static int32_t since(uint32_t later, uint32_t earlier) { return int32_t(later - earlier); }

float easedPosition(float position, int current) {
    const double distance = double(current) - double(position);
    if (distance < -0.005 || distance > 0.005) {
        const float next = float(double(position) + distance / 15);
        if (next != position) return next;
    }
    return float(current);
}

PassAction pacePass(uint32_t now, int current, uint32_t playTime, float& position, Pacing& pacing) {
    if (now <= kOpeningTicks) {
        pacing.idlePasses = 0;
        return PassAction::Draw;
    }
    const bool arrived = double(current) - double(position) == 0;
    const bool launching = since(now, playTime) <= int32_t(kLaunchTicks);
    if (!arrived || launching) {
        position = easedPosition(position, current);
        pacing.idlePasses = 0;
        return PassAction::GlideAndDraw;
    }
    if (pacing.exposePending) {
        pacing.exposePending = false;
        pacing.idlePasses = 0;
        return PassAction::Draw;
    }
    ++pacing.idlePasses;
    return pacing.idlePasses <= kQuietIdlePasses ? PassAction::Sleep : PassAction::LoadIdle;
}

bool keyRepeatDue(uint32_t now, int heldKey, uint32_t keyDownTime, uint32_t& lastRepeatCheck) {
    if (since(now, lastRepeatCheck) <= int32_t(kRepeatInterval)) return false;
    lastRepeatCheck = now;
    return heldKey != 0 && since(now, keyDownTime) > int32_t(kRepeatDelay);
}
