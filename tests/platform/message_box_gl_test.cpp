// The modal message box on a real X display: it appears, and a real Return
// key press closes it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "support/child.h"
#include "support/x11_window.h"

TEST(MessageBoxOnDisplay, ShowsAModalBoxThatReturnCloses) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    const std::string title = "vellora box test " + std::to_string(getpid());
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::messageBox(title.c_str(), "No albums found");
        _exit(0);
    }
    // The box is modal: the child stays inside messageBox until it is closed.
    unsigned long window = findWindowTitled(title, 20000);
    if (window == 0) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        FAIL() << "no window titled \"" << title << "\" appeared";
    }
    int waitingStatus = 0;
    EXPECT_EQ(waitpid(child, &waitingStatus, WNOHANG), 0) << "messageBox returned before the box was closed";
    pressKeys(window, {"Return"});  // a real key press, at the focused box
    EXPECT_EQ(boundedExitStatus(child, 20), 0) << "the box did not close on Return";
}
