// Folder change watch on Windows: not yet told; every watch is refused, so
// the library stays as the start found it.
#include "platform/platform.h"

namespace platform {
namespace {

class NoWatch : public FolderWatch {
public:
    Added watch(const std::string&) override { return Added::NoEvents; }
    void unwatch(const std::string&) override {}
    std::vector<std::string> wait(uint32_t milliseconds, bool* overflow) override {
        *overflow = false;
        delay(milliseconds);
        return {};
    }
};

}  // namespace

std::unique_ptr<FolderWatch> makeFolderWatch() { return std::make_unique<NoWatch>(); }

}  // namespace platform
