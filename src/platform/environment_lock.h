// The environment is one array that setenv and unsetenv may move or free. The
// window's start-up changes a few variables for the media library while the
// cover loader's and the library's threads may already read the environment
// (a setting's path, or a helper started with it): every change, and every
// read that may run beside one, is made under this lock.
#pragma once

#include <mutex>

namespace platform {

std::mutex& environmentLock();

}  // namespace platform
