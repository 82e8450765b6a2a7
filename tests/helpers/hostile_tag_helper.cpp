// A tag helper for tests, built like vellora-tags (the same request loop, the
// same limits and allocation cap) whose reader misbehaves on purpose when an
// audio file begins with a word: "crash" crashes, "spin" loops for ever,
// "allocate" allocates without end, "exit" ends the process. Every other file
// is read as vellora-tags reads it.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#endif

#include "library/embedded_cover.h"
#include "library/helper/helper_memory.h"
#include "library/tag_reader.h"
#include "platform/platform.h"

namespace {

std::string firstWord(const std::string& path) {
    std::FILE* file = platform::openFile(path, "rb");
    if (!file) return "";
    char word[16] = {};
    const size_t got = std::fread(word, 1, sizeof word - 1, file);
    std::fclose(file);
    return std::string(word, got).substr(0, std::string(word, got).find_first_of(" \n"));
}

volatile unsigned long long spins = 0;

std::vector<uint8_t> misbehave(const std::string& path, std::string* failure) {
    const std::string word = firstWord(path);
    if (word == "crash") {
#ifdef _WIN32
        RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
#else
        std::signal(SIGSEGV, SIG_DFL);  // a plain crash, not a sanitizer's report of it
        std::raise(SIGSEGV);
#endif
    }
    if (word == "spin")
        for (;;) spins = spins + 1;
    if (word == "allocate") {
        std::vector<std::unique_ptr<char[]>> hoard;
        for (;;) {
            hoard.emplace_back(new char[1 << 20]);
            std::memset(hoard.back().get(), 1, 1 << 20);
        }
    }
    if (word == "exit") std::exit(3);
    return readEmbeddedCover(path, failure);
}

}  // namespace

int main(int argc, char** argv) {
    // Tests that run the browser with this helper have it relay the player's errors too.
    if (argc == 2 && std::strcmp(argv[1], platform::kErrorRelayOption) == 0) return platform::relayErrorOutput();
    const TagHelperLimits limits = tagHelperLimitsFrom(argc, argv);
    capHelperAllocations(limits.allocationBytes);
    return serveTagRequests(limits, misbehave);
}
