// A direction on the pad behaves like a held key (pacing.h's repeat), but
// runs its command when pushed rather than when let go: a d-pad has no typing
// to tell apart from holding.
#include "app/gamepad.h"

#include "app/input.h"
#include "app/pacing.h"
#include "platform/platform.h"

namespace {

SDL_Joystick* pad = nullptr;
PadState padState;
bool started = false;
uint32_t lastLook = 0;
long long lastDevices = 0;
const int kLooksAfterChange = 3;
int looksAfterChange = 0;

int hatKey(int value) {
    if (value & SDL_HAT_LEFT) return KeyLeft;
    if (value & SDL_HAT_RIGHT) return KeyRight;
    if (value & SDL_HAT_UP) return KeyUp;
    if (value & SDL_HAT_DOWN) return KeyDown;
    return 0;
}

int stickKey(int value) {
    if (value < -kStickDeadZone) return KeyLeft;
    if (value > kStickDeadZone) return KeyRight;
    return 0;
}

// One source of directions (d-pad or stick) now points to `key`: a new
// direction runs at once and becomes the one that repeats; a direction let go
// hands the repeat to the other source's, if it still points somewhere.
int directionChanged(int& source, int other, int key, PadState& state, uint32_t now) {
    if (key == source) return 0;  // the stick moved within the same direction
    source = key;
    state.heldSince = now;
    state.heldKey = key ? key : other;
    return key;
}

// Opens the first pad there is, looking at the devices afresh: SDL 1.2 counts
// them once, when its joystick subsystem starts.
void lookForPad() {
    if (pad) SDL_JoystickClose(pad);
    pad = nullptr;
    padState = PadState();
    if (SDL_WasInit(SDL_INIT_JOYSTICK)) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) < 0) return;
    if (SDL_NumJoysticks() > 0) pad = SDL_JoystickOpen(0);
    SDL_JoystickEventState(SDL_ENABLE);
}

}  // namespace

int padButtonKey(int button) {
    switch (button) {
        case PadA: return KeyPlay;
        case PadB: return KeyDismiss;
        case PadX: return KeySpace;
        case PadY: return KeyNextOrder;
        case PadLeftShoulder: return KeyPageUp;
        case PadRightShoulder: return KeyPageDown;
        case PadBack: return KeyEscape;
        case PadStart: return KeyF1;
        case PadLeftStickPress: return KeyEnqueue;
        default: return 0;
    }
}

int padEventKey(const SDL_Event& event, PadState& state, uint32_t now) {
    switch (event.type) {
        case SDL_JOYBUTTONDOWN:
            return padButtonKey(event.jbutton.button);
        case SDL_JOYHATMOTION:
            if (event.jhat.hat != 0) return 0;
            return directionChanged(state.hatKey, state.stickKey, hatKey(event.jhat.value), state, now);
        case SDL_JOYAXISMOTION:
            if (event.jaxis.axis != kStickAxis) return 0;
            return directionChanged(state.stickKey, state.hatKey, stickKey(event.jaxis.value), state, now);
        default:
            return 0;
    }
}

int padRepeatKey(PadState& state, uint32_t now) {
    return keyRepeatDue(now, state.heldKey, state.heldSince, state.lastRepeatCheck) ? state.heldKey : 0;
}

void gamepadPass(uint32_t now) {
    if (!started) {
        // The first look a second in: starting the joystick subsystem takes a
        // few milliseconds that the first frame need not wait for.
        started = true;
        lastLook = now;
        lastDevices = platform::inputDevicesGeneration();
        looksAfterChange = 1;
    } else if (now - lastLook >= kPadLookInterval) {
        // Where the system gives a sign that devices came or went, a look
        // follows it, and while no pad is open a few more: the new device's
        // node may be made readable a moment after it appears. Where it
        // gives none, a look every interval while no pad is open.
        const long long devices = platform::inputDevicesGeneration();
        if (devices != lastDevices) looksAfterChange = pad ? 1 : kLooksAfterChange;
        lastDevices = devices;
        if ((devices < 0 && !pad) || looksAfterChange > 0) lookForPad();
        if (looksAfterChange > 0) --looksAfterChange;
        lastLook = now;
    }
    if (int key = padRepeatKey(padState, now)) processKeys(key);
}

void gamepadEvent(const SDL_Event& event, uint32_t now) {
    if (int key = padEventKey(event, padState, now)) processKeys(key);
}

bool gamepadOpen() { return pad != nullptr; }

void closeGamepad() {
    if (pad) SDL_JoystickClose(pad);
    pad = nullptr;
    if (SDL_WasInit(SDL_INIT_JOYSTICK)) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    started = false;
    looksAfterChange = 0;
}
