// Message boxes without a display: the line on standard error, and no hang.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/platform.h"
#include "support/child.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

// Shows a box in a child with `display` as DISPLAY (nullptr: unset) and its
// standard error in `errFile`. The child's exit status, or -1 when it had to
// be killed after 30 s.
int showBoxInChild(const char* display, const std::string& errFile) {
    pid_t child = fork();
    if (child == 0) {
        int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err < 0 || dup2(err, 2) < 0) _exit(101);
        if (display) setenv("DISPLAY", display, 1);
        else unsetenv("DISPLAY");
        platform::messageBox("error", "No albums found");
        _exit(0);
    }
    return boundedExitStatus(child);
}


}  // namespace

TEST(MessageBox, WithoutDisplayWritesTitleAndTextToStandardError) {
    const char* saved = std::getenv("DISPLAY");
    std::string savedDisplay = saved ? saved : "";
    unsetenv("DISPLAY");
    testing::internal::CaptureStderr();
    platform::messageBox("SDL Init Error", "No available video device");
    platform::messageBox(nullptr, nullptr);
    std::string written = testing::internal::GetCapturedStderr();
    if (saved) setenv("DISPLAY", savedDisplay.c_str(), 1);
    EXPECT_EQ(written, "SDL Init Error: No available video device\n: \n");
}

TEST(MessageBox, ReturnsWhenTheDisplayCannotBeReached) {
    TempDir dir;
    std::string errFile = dir.at("stderr");
    EXPECT_EQ(showBoxInChild(nullptr, errFile), 0);
    EXPECT_EQ(readWholeFile(errFile), "error: No albums found\n");
    // A display that does not exist: the box cannot open, the line is still there.
    EXPECT_EQ(showBoxInChild(":31999", errFile), 0) << "the box blocked or crashed";
    EXPECT_EQ(readWholeFile(errFile).rfind("error: No albums found\n", 0), 0u) << readWholeFile(errFile);
}

// Start-up messages are plain boxes; the missing caption font is a warning
// the program runs on after. The flags are SDL2's own values.
TEST(MessageBox, EachKindShowsItsOwnIcon) {
    struct Case {
        platform::MessageKind kind;
        unsigned flags;
    };
    for (const Case& c : {Case{platform::MessageKind::Information, 0x40u}, Case{platform::MessageKind::Warning, 0x20u},
                          Case{platform::MessageKind::Error, 0x10u}})
        EXPECT_EQ(platform::messageBoxFlags(c.kind), c.flags);
}
