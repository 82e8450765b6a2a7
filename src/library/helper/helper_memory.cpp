// The tag helper's allocation cap: every C++ allocation in the process, TagLib's
// included (the program's operator new replaces the library's), is counted,
// and one that would take the live total past the cap fails with
// std::bad_alloc, which the tag reader turns into a reason. Only the helper
// executables are built with this file.
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "library/helper/helper_memory.h"

namespace {

std::atomic<size_t> live{0};
size_t cap = ~size_t(0);

size_t usable(void* block) {
#ifdef _WIN32
    return _msize(block);
#else
    return malloc_usable_size(block);
#endif
}

void* take(size_t size) {
    if (size > cap || live.load(std::memory_order_relaxed) > cap - size) throw std::bad_alloc();
    void* block = std::malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    live.fetch_add(usable(block), std::memory_order_relaxed);
    return block;
}

void give(void* block) noexcept {
    if (!block) return;
    live.fetch_sub(usable(block), std::memory_order_relaxed);
    std::free(block);
}

}  // namespace

void capHelperAllocations(size_t bytes) { cap = bytes; }

void* operator new(size_t size) { return take(size); }
void* operator new[](size_t size) { return take(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return take(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    try {
        return take(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* block) noexcept { give(block); }
void operator delete[](void* block) noexcept { give(block); }
void operator delete(void* block, size_t) noexcept { give(block); }
void operator delete[](void* block, size_t) noexcept { give(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { give(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { give(block); }
