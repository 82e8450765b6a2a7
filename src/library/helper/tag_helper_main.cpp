// vellora-tags: the helper process that reads covers out of audio tags for the
// browser (see library/tag_reader.h). Started with --relay-errors it is the
// music player's error relay instead (platform::relayErrorOutput). It is not
// meant to be started by hand.
#include <tdebuglistener.h>

#include <cstring>

#include "library/embedded_cover.h"
#include "library/helper/helper_memory.h"
#include "library/tag_reader.h"
#include "platform/platform.h"

namespace {

// TagLib's complaints about broken files are reasons, not output.
class Quiet : public TagLib::DebugListener {
public:
    void printMessage(const TagLib::String&) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], platform::kErrorRelayOption) == 0) return platform::relayErrorOutput();
    const TagHelperLimits limits = tagHelperLimitsFrom(argc, argv);
    capHelperAllocations(limits.allocationBytes);
    static Quiet quiet;
    TagLib::setDebugListener(&quiet);
    return serveTagRequests(limits, readEmbeddedCover);
}
