// Whether a settings file may be believed, on Windows: always. The folder's
// access rules (ACLs) decide who could have put it there, and the program
// has read .\vellora.ini as it is on Windows from the start.
#include "platform/platform.h"

namespace platform {

bool settingsFileTrusted(const std::string&, std::string*) { return true; }

}  // namespace platform
