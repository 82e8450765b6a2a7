// The pad's mapping without a pad: button by button, the d-pad and the stick
// with its dead zone, and the repeat of a held direction, on ticks the test
// chooses.
#include <gtest/gtest.h>

#include <vector>

#include "app/gamepad.h"
#include "app/input.h"

namespace {

SDL_Event button(int number) {
    SDL_Event event{};
    event.type = SDL_JOYBUTTONDOWN;
    event.jbutton.button = Uint8(number);
    return event;
}

SDL_Event hat(int value, int which = 0) {
    SDL_Event event{};
    event.type = SDL_JOYHATMOTION;
    event.jhat.hat = Uint8(which);
    event.jhat.value = Uint8(value);
    return event;
}

SDL_Event axis(int value, int which = kStickAxis) {
    SDL_Event event{};
    event.type = SDL_JOYAXISMOTION;
    event.jaxis.axis = Uint8(which);
    event.jaxis.value = Sint16(value);
    return event;
}

TEST(Gamepad, ButtonsRunTheKeysCommands) {
    struct Row {
        int button, key;
    };
    const Row table[] = {
        {PadA, KeyPlay},          {PadB, KeyDismiss},         {PadX, KeySpace},
        {PadY, KeyNextOrder},     {PadLeftShoulder, KeyPageUp}, {PadRightShoulder, KeyPageDown},
        {PadBack, KeyEscape},     {PadStart, KeyF1},           {PadLeftStickPress, KeyEnqueue},
        {8, 0},                   {10, 0},                     {31, 0},
    };
    for (const Row& row : table) {
        PadState pad;
        EXPECT_EQ(padEventKey(button(row.button), pad, 100), row.key) << row.button;
    }
    SDL_Event release = button(PadA);
    release.type = SDL_JOYBUTTONUP;
    PadState pad;
    EXPECT_EQ(padEventKey(release, pad, 100), 0) << "a button acts on the press only";
}

TEST(Gamepad, DirectionsActWhenPushedPastTheDeadZoneAndRepeatWhileHeld) {
    struct Step {
        uint32_t tick;
        SDL_Event event;
        int key;  // run by the event
    };
    const Step steps[] = {
        {1000, axis(kStickDeadZone), 0},        // within the dead zone: quiet
        {1010, axis(kStickDeadZone + 1), KeyRight},
        {1020, axis(30000), 0},                 // further the same way: nothing more
        {1030, axis(-kStickDeadZone - 1), KeyLeft},
        {1040, axis(0), 0},                     // let go
        {1050, axis(-32768, 1), 0},             // the other axis is not read
        {1060, hat(SDL_HAT_RIGHT), KeyRight},
        {1070, hat(SDL_HAT_CENTERED), 0},
        {1080, hat(SDL_HAT_UP), KeyUp},
        {1090, hat(SDL_HAT_DOWN), KeyDown},
        {1100, hat(SDL_HAT_LEFTUP), KeyLeft},   // a diagonal is its sideways half
        {1110, hat(SDL_HAT_RIGHT, 1), 0},       // a second hat is not read
    };
    PadState pad;
    for (const Step& step : steps) EXPECT_EQ(padEventKey(step.event, pad, step.tick), step.key) << step.tick;

    // Held from 1100: quiet until 300 ticks on, then a repeat at each check
    // more than 20 ticks apart, as a held key; none after letting go.
    std::vector<uint32_t> repeats;
    for (uint32_t t = 1101; t <= 1500; t += 7)
        if (int key = padRepeatKey(pad, t)) {
            EXPECT_EQ(key, KeyLeft);
            repeats.push_back(t);
        }
    ASSERT_FALSE(repeats.empty());
    EXPECT_GT(repeats.front(), 1400u);
    for (size_t i = 1; i < repeats.size(); ++i) EXPECT_GT(repeats[i] - repeats[i - 1], 20u);

    // The stick pushed while the d-pad is held takes the repeat over; let
    // go, it hands it back to the d-pad, which starts its delay again.
    EXPECT_EQ(padEventKey(axis(20000), pad, 1600), KeyRight);
    EXPECT_EQ(padEventKey(axis(0), pad, 1700), 0);
    EXPECT_EQ(padRepeatKey(pad, 1800), 0);
    EXPECT_EQ(padRepeatKey(pad, 2030), KeyLeft);
    EXPECT_EQ(padEventKey(hat(SDL_HAT_CENTERED), pad, 2040), 0);
    EXPECT_EQ(padRepeatKey(pad, 2500), 0);
}

}  // namespace
