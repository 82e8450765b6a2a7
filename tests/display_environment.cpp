// Linked into every test program that needs a display: the program holds one
// connection to $DISPLAY from its start to its end, so that the X server never
// resets under a test between two of its short-lived clients.
#include <gtest/gtest.h>

#include <memory>

#include "support/display_hold.h"

namespace {

class HeldDisplay : public testing::Environment {
public:
    void SetUp() override {
        hold_ = std::make_unique<DisplayHold>();
        ASSERT_TRUE(hold_->held()) << "cannot open the display; run under xvfb-run";
    }
    void TearDown() override { hold_.reset(); }

private:
    std::unique_ptr<DisplayHold> hold_;
};

const testing::Environment* const registered = testing::AddGlobalTestEnvironment(new HeldDisplay);

}  // namespace
