// The tag helper's allocation cap (helper_memory.cpp, linked only into the
// helper executables, replaces operator new and delete).
#pragma once

#include <cstddef>

// From now on an allocation that would take the live total past `bytes` throws std::bad_alloc.
void capHelperAllocations(size_t bytes);
