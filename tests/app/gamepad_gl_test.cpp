// The pad end to end: joystick events pushed into the media library's own
// event queue (SDL_PushEvent), as a pad's would come, drive the real frame
// loop in a real window: the selection, the player, the help, quitting.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "app/app_state.h"
#include "app/frame_loop.h"
#include "app/gamepad.h"
#include "app/input.h"
#include "library/albums_loader.h"
#include "platform/platform.h"
#include "support/app_fixture.h"
#include "support/gl_window.h"
#include "support/process.h"
#include "texture/gl_texture.h"

namespace {

void push(Uint8 type, int number, int value = 0) {
    SDL_Event event{};
    event.type = type;
    if (type == SDL_JOYAXISMOTION) {
        event.jaxis.axis = Uint8(number);
        event.jaxis.value = Sint16(value);
    } else if (type == SDL_JOYHATMOTION) {
        event.jhat.value = Uint8(value);
    } else {
        event.jbutton.button = Uint8(number);
        event.jbutton.state = type == SDL_JOYBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    }
    ASSERT_EQ(SDL_PushEvent(&event), 0) << SDL_GetError();
}

TEST(GamepadGl, PadEventsInTheRealQueueDriveTheLoopAsTheKeysDo) {
    GlWindow window;
    TempDir dir;
    const std::string log = dir.at("player.log");
    const int count = 40;
    useGeneratedLibrary(dir, count, writeRecordingPlayer(dir.path(), log));
    albums->setEndPlayer(false);  // each recorder writes before the next hand-over could end it
    textures = new glTexture[count]();
    current = 20;
    position = 20;
    const FrameHooks hooks = {SDL_PollEvent, drawFrame, [](int) { return false; }, nullptr};
    Pacing pacing;
    // Passes of the real loop until `reached` holds (at most 10 s).
    auto passUntil = [&](const std::function<bool()>& reached) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            if (!runFramePass(hooks, pacing)) return reached();
            if (reached()) return true;
        }
        return false;
    };

    push(SDL_JOYHATMOTION, 0, SDL_HAT_RIGHT);
    EXPECT_TRUE(passUntil([] { return current == 21; }));
    push(SDL_JOYHATMOTION, 0, SDL_HAT_CENTERED);
    push(SDL_JOYBUTTONDOWN, PadRightShoulder);
    push(SDL_JOYBUTTONUP, PadRightShoulder);
    EXPECT_TRUE(passUntil([] { return current == 31; }));
    push(SDL_JOYBUTTONDOWN, PadLeftShoulder);
    EXPECT_TRUE(passUntil([] { return current == 21; }));

    // The stick pushed and held moves once and then repeats as a held key does.
    push(SDL_JOYAXISMOTION, kStickAxis, -30000);
    EXPECT_TRUE(passUntil([] { return current <= 18; })) << current;
    push(SDL_JOYAXISMOTION, kStickAxis, 0);
    runFramePass(hooks, pacing);
    const int stoppedAt = current;
    const uint32_t letGo = platform::ticks();
    EXPECT_TRUE(passUntil([&] { return platform::ticks() - letGo > 400; }));
    EXPECT_EQ(current, stoppedAt) << "let go, the stick repeats no more";

    // A hands the album over, and again: never quits. Start shows the help, B hides it.
    push(SDL_JOYBUTTONDOWN, PadA);
    push(SDL_JOYBUTTONDOWN, PadA);
    EXPECT_TRUE(passUntil([&] { return readPlayerCalls(log).size() == 2; }));
    EXPECT_EQ(playing, stoppedAt);
    push(SDL_JOYBUTTONDOWN, PadStart);
    EXPECT_TRUE(passUntil([] { return helpShown; }));
    push(SDL_JOYBUTTONDOWN, PadB);
    EXPECT_TRUE(passUntil([] { return !helpShown; }));
    push(SDL_JOYBUTTONDOWN, PadY);  // no order to go on to yet: nothing changes
    EXPECT_TRUE(passUntil([] { return lastKey == KeyNextOrder; }));
    EXPECT_EQ(current, stoppedAt);
    EXPECT_EQ(done, 0);

    // Back quits, as Escape does.
    push(SDL_JOYBUTTONDOWN, PadBack);
    EXPECT_TRUE(passUntil([] { return done != 0; }));
    EXPECT_EQ(readPlayerCalls(log).size(), 2u);
    closeGamepad();
    delete[] textures;
    textures = nullptr;
    resetAppState();
}

}  // namespace
