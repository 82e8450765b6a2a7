// A private X server for one test (Xvfb with the given screen, e.g.
// "1280x1024x24"), made the current DISPLAY for as long as the object lives.
// The object stays connected to it, so that it never resets between clients.
#pragma once

#include <memory>
#include <string>

#include "support/display_hold.h"
#include "support/process.h"

class XServer {
public:
    explicit XServer(const std::string& screen);
    ~XServer();  // ends the server and gives back the previous DISPLAY

    bool ready() const { return hold_ && hold_->held(); }
    const std::string& display() const { return display_; }
    // Ends the server now, as when a remote display goes away.
    void stop();

private:
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<DisplayHold> hold_;  // keeps the server from resetting between clients
    std::string display_;
    std::string previous_;
};
