// Thread priority and allocator behaviour for background picture work, on Windows.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

void lowerThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL); }

// Nothing to do: the Windows heap hands blocks above half a megabyte straight
// to VirtualAlloc and gives them back on free.
void returnFreedMemoryPromptly() {}

}  // namespace platform
