#include "support/x_server.h"

#include <cstdlib>

XServer::XServer(const std::string& screen) {
    const char* outer = std::getenv("DISPLAY");
    previous_ = outer ? outer : "";
    server_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"Xvfb", "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"}, "");
    std::string number;
    // Xvfb writes its display number and a newline once it accepts clients.
    if (!waitFor([&] { return !(number = server_->out()).empty() && number.back() == '\n'; }, 20000)) return;
    number.pop_back();
    display_ = ":" + number;
    setenv("DISPLAY", display_.c_str(), 1);
    hold_ = std::make_unique<DisplayHold>(display_);
}

XServer::~XServer() {
    stop();
    if (previous_.empty())
        unsetenv("DISPLAY");
    else
        setenv("DISPLAY", previous_.c_str(), 1);
}

void XServer::stop() {
    hold_.reset();  // closing a connection to a server already gone would end this process
    server_->kill();
}
