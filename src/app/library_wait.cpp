#include "app/library_wait.h"

#include <GL/gl.h>

#include <vector>

#include "app/app_state.h"
#include "app/input.h"
#include "app/pacing.h"
#include "app/window.h"
#include "library/library_scan.h"
#include "platform/platform.h"
#include "render/caption.h"
#include "render/scene.h"

namespace {

void hold(const SDL_Event& event, std::vector<SDL_Event>& held) {
    if (held.size() < kHeldEventsMax) held.push_back(event);
}

// Applies one event; true when the window needs drawing again.
bool waitingEvent(const SDL_Event& event, std::vector<SDL_Event>& held) {
    switch (event.type) {
        case SDL_QUIT:
            done = 1;
            return false;
        case SDL_KEYUP:
            if (int(event.key.keysym.sym) == KeyEscape) done = 1;
            else hold(event, held);
            return false;
        case SDL_KEYDOWN:
            hold(event, held);
            return false;
        case SDL_MOUSEBUTTONDOWN: {
            const int key = mouseButtonKey(event.button.button);
            if (key == KeyEscape) done = 1;
            else if (key != 0 && key != KeyReturn) hold(event, held);  // the wheel and the middle button
            return false;
        }
        case SDL_VIDEOEXPOSE:
            return true;
        case SDL_VIDEORESIZE:
            resizeWindow(event.resize.w, event.resize.h);
            return true;
        default:
            return false;
    }
}

}  // namespace

LibraryWaitHooks realLibraryWaitHooks(LibraryScan& scan) {
    return {SDL_PollEvent, SDL_PushEvent, drawWaiting, [&scan](uint32_t ticks) { return scan.waitFinished(ticks); },
            [&scan] { return scan.albumsFound(); }};
}

bool waitForLibrary(const LibraryWaitHooks& hooks) {
    if (hooks.awaitLibrary(0)) return true;
    const uint32_t start = platform::ticks();
    bool drawn = false;
    bool noticeShown = false;
    size_t countShown = 0;
    uint32_t countDrawnAt = start;
    std::vector<SDL_Event> held;
    SDL_Event event;
    for (;;) {
        bool redraw = !drawn;
        while (hooks.pollEvent(&event)) redraw = waitingEvent(event, held) || redraw;
        if (done) return false;
        const uint32_t now = platform::ticks();
        const bool notice = int32_t(now - start) >= int32_t(kWaitNoticeTicks);
        const size_t count = notice && hooks.albumsFound ? hooks.albumsFound() : 0;
        const bool counted = count != countShown && int32_t(now - countDrawnAt) >= int32_t(kCountEveryTicks);
        if (redraw || notice != noticeShown || counted) {
            hooks.drawWaiting(notice, count);
            drawn = true;
            noticeShown = notice;
            countShown = count;
            countDrawnAt = now;
        }
        // Waiting on the scan itself: the first frame with the library comes
        // as soon as the scan ends, not at the next tick of a sleep.
        if (hooks.awaitLibrary(kIdleSleep)) break;
    }
    // The held commands go back onto the queue in the order they came; what
    // arrived since the last look is collected first, so nothing overtakes them.
    while (hooks.pollEvent(&event)) waitingEvent(event, held);
    if (done) return false;
    for (SDL_Event& command : held) hooks.pushEvent(&command);
    return true;
}

std::string waitingLine(size_t albumsFound) {
    std::string line = "Reading the music folder...";
    if (albumsFound > 0) line += " " + std::to_string(albumsFound) + (albumsFound == 1 ? " album" : " albums");
    return line;
}

void drawWaiting(bool notice, size_t albumsFound) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawScene();  // no library: the floor alone
    if (notice) drawCaption(waitingLine(albumsFound).c_str());
    SDL_GL_SwapBuffers();
}
