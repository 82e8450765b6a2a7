// The gamepad: SDL 1.2's joystick events turned into the keys' commands
// (processKeys), and the pad itself found, also when it is plugged in while
// the browser runs (SDL 1.2 tells of no new device: the loop looks again).
#pragma once

#include <SDL.h>

#include <cstdint>

// Buttons as an Xbox-style pad numbers them: XInput pads on Windows, the
// xpad driver's pads on Linux, and most pads made to stand in for them.
enum PadButton {
    PadA = 0,
    PadB = 1,
    PadX = 2,
    PadY = 3,
    PadLeftShoulder = 4,
    PadRightShoulder = 5,
    PadBack = 6,
    PadStart = 7,
    PadLeftStickPress = 9,
};

constexpr int kStickAxis = 0;           // the left stick, left to right
constexpr int kStickDeadZone = 12000;   // of 32767: a worn stick at rest stays quiet
constexpr uint32_t kPadLookInterval = 1000;  // ticks between looks for a pad plugged in

// What the pad holds between events: the direction pushed on the d-pad and on
// the stick, and the one that repeats (the last pushed) with its key state.
struct PadState {
    int hatKey = 0;
    int stickKey = 0;
    int heldKey = 0;
    uint32_t heldSince = 0;
    uint32_t lastRepeatCheck = 0;
};

// The command code of a button (0: none): A hands the album over (a second A
// too: it never quits), B only hides the help or the search text, X jumps at
// random, Y takes the next order, the shoulders page by 10, Back quits as
// Escape does, Start shows or hides the help, the left stick's press adds the
// album to the player's list as Shift+Return does.
int padButtonKey(int button);

// The command an event from the pad runs at tick `now` (0: none), updating
// `pad`. A direction runs its command when pushed (the d-pad's left and right
// as the arrows, up and down as the Up and Down keys; the stick's left and
// right past the dead zone) and repeats while held, as a held key does;
// letting go runs nothing.
int padEventKey(const SDL_Event& event, PadState& pad, uint32_t now);

// The command a held direction repeats at `now` (0: none), as keyRepeatDue
// repeats a held key.
int padRepeatKey(PadState& pad, uint32_t now);

// The live pad. Each pass of the loop: looks for a pad when due (a second
// after the first pass; then, at most every kPadLookInterval ticks, after the
// system said its input devices changed, or while none is open where it says
// nothing), and runs the repeat of a held direction. Needs the media library started.
void gamepadPass(uint32_t now);
// Runs the command of a joystick event, if any.
void gamepadEvent(const SDL_Event& event, uint32_t now);
// Whether a pad is open: the help then lists its buttons.
bool gamepadOpen();
// Closes the pad and the joystick subsystem; before SDL_Quit.
void closeGamepad();
