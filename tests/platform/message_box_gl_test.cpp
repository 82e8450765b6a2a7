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

namespace {

// Runs a shell command and returns its standard output with blanks trimmed.
std::string outputOf(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char block[256];
        while (size_t got = fread(block, 1, sizeof block, pipe)) output.append(block, got);
        pclose(pipe);
    }
    while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) output.pop_back();
    return output;
}

// The id of the top-level window titled `title`, polled for at most 20 s; ""
// when none appears. (xdotool 3.20160805's "search --name" cannot match the
// UTF8_STRING title SDL2 gives its box, so the window tree is read instead.)
std::string windowTitled(const std::string& title) {
    for (int i = 0; i < 200; ++i) {
        std::string id = outputOf("xwininfo -root -tree 2>/dev/null | grep -F '\"" + title +
                                  "\":' | awk '{print $1}' | head -n 1");
        if (!id.empty()) return id;
        usleep(100000);
    }
    return "";
}

// The child's exit status once it ends within `seconds`; -1 (after killing it)
// when it does not.
int exitStatusWithin(pid_t child, int seconds) {
    for (int i = 0; i < seconds * 100; ++i) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        usleep(10000);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return -1;
}

}  // namespace

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
    std::string window = windowTitled(title);
    if (window.empty()) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        FAIL() << "no window titled \"" << title << "\" appeared";
    }
    int waitingStatus = 0;
    EXPECT_EQ(waitpid(child, &waitingStatus, WNOHANG), 0) << "messageBox returned before the box was closed";
    // A real key press (XTEST) goes to the focused window, so focus the box first.
    outputOf("timeout 10 xdotool windowfocus --sync " + window + " key Return");
    EXPECT_EQ(exitStatusWithin(child, 20), 0) << "the box did not close on Return";
}
