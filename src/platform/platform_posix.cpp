// User paths.
#include <cstdlib>

#include "platform/platform.h"

namespace platform {

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

}  // namespace platform
