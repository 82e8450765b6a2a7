// Text from outside (folder names, command lines) made safe for one line of
// standard error, for every system's platform layer.
#pragma once

#include <string>

namespace platform {

// `text` with its control bytes escaped: \n, \r and \t by name, the rest as \xNN.
std::string printable(const std::string& text);

}  // namespace platform
