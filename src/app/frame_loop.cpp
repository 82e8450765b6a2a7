#include "app/frame_loop.h"

#include <GL/gl.h>

#include "app/album_orders.h"
#include "app/app_state.h"
#include "app/frame_log.h"
#include "app/gamepad.h"
#include "app/input.h"
#include "app/library_update.h"
#include "app/mouse.h"
#include "app/opening.h"
#include "app/overlays.h"
#include "app/player_watch.h"
#include "app/remote_keys.h"
#include "app/window.h"
#include "library/albums_loader.h"
#include "platform/platform.h"
#include "render/caption.h"
#include "render/help_overlay.h"
#include "render/projection.h"
#include "render/scene.h"
#include "texture/texture_streaming.h"

// Whether Shift was held when the Return key now down went down.
static bool returnShifted = false;

FrameHooks realFrameHooks() { return {SDL_PollEvent, drawFrame, loadClosestTexture, applyLibraryAndTags}; }

bool loadClosestTexture(int n) {
    if (!coverStreaming) return false;
    return coverStreaming->step(position, n, middleCoverPixelHeight(screenWidth, screenHeight));
}

void handleEvent(const SDL_Event& event, Pacing& pacing) {
    switch (event.type) {
        case SDL_KEYDOWN:
            // Commands run on release (and on repeat), never on the press.
            heldKey = keyCommand(event.key.keysym.sym, event.key.keysym.mod);
            keyDownTime = now;
            if (heldKey == KeyReturn || heldKey == KeyEnqueue) returnShifted = heldKey == KeyEnqueue;
            break;
        case SDL_KEYUP: {
            // Shift held when Return went down counts, even when it was let go
            // first (as people, and xdotool, often do).
            int command = keyCommand(event.key.keysym.sym, event.key.keysym.mod);
            if (command == KeyReturn && returnShifted) command = KeyEnqueue;
            if (command == KeyEnqueue) returnShifted = false;
            heldKey = 0;
            processKeys(command);
            break;
        }
        case SDL_SYSWMEVENT:  // a media key, which has no key symbol
            if (platform::isPlayPauseKey(event.syswm.msg)) processKeys(KeyPlay);
            break;
        case SDL_JOYAXISMOTION:
        case SDL_JOYHATMOTION:
        case SDL_JOYBUTTONDOWN:
            gamepadEvent(event, now);
            break;
        case SDL_MOUSEBUTTONDOWN:
            // The left button acts on release, so that a click can be told from a drag.
            if (event.button.button == SDL_BUTTON_LEFT)
                leftButtonPressed(event.button.x, event.button.y);
            else
                processMouse(event.button.button);
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.button == SDL_BUTTON_LEFT) leftButtonReleased(event.button.x, event.button.y);
            break;
        case SDL_MOUSEMOTION:
            pointerMoved(event.motion.x, event.motion.y, event.motion.state & SDL_BUTTON(SDL_BUTTON_LEFT));
            break;
        case SDL_QUIT:
            done = 1;
            break;
        case SDL_VIDEOEXPOSE:
            pacing.exposePending = true;
            break;
        case SDL_VIDEORESIZE:
            resizeWindow(event.resize.w, event.resize.h);
            pacing.exposePending = true;
            break;
        default:
            break;
    }
}

void drawFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    loadClosestTexture(kDrawTextureRadius);
    drawScene();
    if (albums->getAlbumsCount() > 0) drawCaption(albums->getAlbumName(current));
    else drawCaption(emptyLibraryLine().c_str());  // every album went: the floor and this line
    drawOverlays(now);
    // Once, while the opening's row stands still and after its first frame,
    // whose time counts: a first F2, F1 or failed start then draws at once.
    static bool bandsWarmed = false;
    if (!bandsWarmed && openingClock(now) >= kBandWarmingTick) {
        warmBandDrawing();
        bandsWarmed = true;
    }
    SDL_GL_SwapBuffers();
}

bool runFramePass(const FrameHooks& hooks, Pacing& pacing) {
    if (done) return false;
    now = platform::ticks();

    SDL_Event event;
    while (hooks.pollEvent(&event)) handleEvent(event, pacing);

    if (hooks.applyLibraryChanges && hooks.applyLibraryChanges()) pacing.exposePending = true;
    watchPlayers(now);
    // Shift+Return adds its album once, however long it is held.
    if (heldKey != KeyEnqueue && keyRepeatDue(now, heldKey, keyDownTime, lastRepeatCheck)) processKeys(heldKey);
    gamepadPass(now);
    if (overlayRedrawDue(now)) pacing.exposePending = true;

    // Pacing counts from the opening's start, which a slow scan moves on.
    switch (dragging() ? dragPass(pacing)
                       : pacePass(openingClock(now), current, openingClock(playTime), position, pacing)) {
        case PassAction::Sleep:
            FrameLog::rest();
            platform::delay(kIdleSleep);
            return true;
        case PassAction::LoadIdle:
            FrameLog::rest();
            // A cover that arrives while resting is drawn at once, not at the next key.
            if (hooks.loadTextures(kIdleTextureRadius)) break;
            platform::delay(kIdleSleep);
            return true;
        case PassAction::GlideAndDraw:
            platform::delay(kGlideSleep);
            break;
        case PassAction::Draw:
            break;
    }
    FrameLog::beginFrame();
    hooks.drawFrame();
    FrameLog::endFrame();
    return true;
}

void runFrameLoop(const FrameHooks& hooks) {
    Pacing pacing;
    while (runFramePass(hooks, pacing)) {
    }
}
