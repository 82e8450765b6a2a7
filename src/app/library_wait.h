// Between the window's start and the end of the scan: the frame loop's stand-in
// while there is no library yet. The window answers at once (Escape, the right
// button and closing it end the program), shows the scene without covers, and
// after a second says what it is waiting for, counting the albums the walk
// has found so far (a first walk of a big share takes minutes). Keys typed meanwhile (and the
// wheel and middle button) are held and given back to the frame loop once the
// library is there; other clicks have nothing to act on and are dropped.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class LibraryScan;

constexpr uint32_t kWaitNoticeTicks = 1000;  // waiting this long puts the notice up
constexpr size_t kHeldEventsMax = 100;       // commands held while waiting; later ones are dropped
constexpr uint32_t kCountEveryTicks = 250;   // the count of albums found is drawn again at most this often

struct LibraryWaitHooks {
    int (*pollEvent)(SDL_Event* event);
    int (*pushEvent)(SDL_Event* event);  // back onto the queue, behind what is there
    void (*drawWaiting)(bool notice, size_t albumsFound);  // the empty scene; with the notice line when asked
    // Waits at most the given ticks for the library; true once it is there.
    std::function<bool(uint32_t)> awaitLibrary;
    std::function<size_t()> albumsFound;  // found so far; none given: not counted
};
LibraryWaitHooks realLibraryWaitHooks(LibraryScan& scan);

// True once the library is there (at once, drawing nothing, when it already
// is); false when the user ended the program first (`done` is then 1).
bool waitForLibrary(const LibraryWaitHooks& hooks);

// The notice line: "Reading the music folder...", with the albums found so far once there are any.
std::string waitingLine(size_t albumsFound);
// A frame without covers: the floor, and the notice when asked.
void drawWaiting(bool notice, size_t albumsFound);
