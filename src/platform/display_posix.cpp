// What happens when the X server goes away under the running program.
//
// Xlib's own handler calls exit(), whose exit-time clean-up (SDL_Quit among
// it) talks to the dead connection again and spins there forever. Nothing is
// left to save when the display is gone, so the process ends at once.
#include <X11/Xlib.h>
#include <unistd.h>

#include "platform/platform.h"

namespace platform {
namespace {

int displayLost(Display*) {
    static const char message[] = "vellora: lost the connection to the display\n";
    ssize_t ignored = write(STDERR_FILENO, message, sizeof message - 1);
    (void)ignored;
    _exit(1);
}

}  // namespace

void endOnDisplayLoss() { XSetIOErrorHandler(displayLost); }

}  // namespace platform
