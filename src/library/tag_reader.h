// Audio tags are read in a helper process, vellora-tags, so that a file built
// to crash, spin or exhaust TagLib costs only that album its cover. Each cover
// loader thread has one TagReader, whose helper is started on first need and
// again after it has died. The helper answers one request at a time over its
// standard input and output: a path in, then a failure text and the picture
// bytes (at most kMaxEmbeddedPictureBytes) out; or, asked for an album's
// tags, the failure text and the year, album artist and title out.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "library/album_tags.h"
#include "library/embedded_cover.h"
#include "platform/platform.h"

struct TagHelperLimits {
    // Wall-clock time per file, kept by the browser: past it the helper is killed.
    std::chrono::milliseconds deadline{2000};
    // CPU time per file, kept by the helper itself (Linux: RLIMIT_CPU) or its
    // Job Object (Windows).
    unsigned cpuSeconds = 5;
    // Memory the helper's allocations may hold at once; past it an allocation fails.
    size_t allocationBytes = size_t(512) << 20;
    // Address space (Linux, not in sanitizer builds) and committed memory
    // (Windows Job Object) of the whole helper process.
    size_t processBytes = size_t(1536) << 20;
};

// The helper program: $VELLORA_TAG_HELPER when set, else vellora-tags beside
// the running program (a build folder, or Windows), else
// ../libexec/vellora/vellora-tags from it, else the installed libexec path.
std::string tagHelperPath();

class TagReader {
public:
    explicit TagReader(std::string program = tagHelperPath(), TagHelperLimits limits = TagHelperLimits());
    ~TagReader();  // the helper reads the end of its input and ends
    TagReader(const TagReader&) = delete;
    TagReader& operator=(const TagReader&) = delete;

    // readEmbeddedCover(path, failure), done by the helper. When the helper
    // crashed, ran out of a limit, overran the deadline or could not be
    // started, the failure (path first) says so and *helperFailed is set;
    // the next call starts a new helper. `cancel` ends the wait early.
    std::vector<uint8_t> read(const std::string& path, std::string* failure, const std::atomic<bool>* cancel,
                              bool* helperFailed = nullptr);

    // readAlbumTags(path, failure), done by the helper; failures as read's.
    AlbumTags readTags(const std::string& path, std::string* failure, const std::atomic<bool>* cancel,
                       bool* helperFailed = nullptr);

    // For tests: the running helper's process id (0 when none) and how many
    // helpers this reader has started.
    long helperId() const;
    int helpersStarted() const { return started_; }

private:
    // One request of `kind` (a cover, or tags) and its reply's bytes.
    std::vector<uint8_t> ask(uint32_t kind, const std::string& path, std::string* failure,
                             const std::atomic<bool>* cancel, bool* helperFailed);

    std::string program_;
    TagHelperLimits limits_;
    platform::HelperProcess helper_;
    bool running_ = false;
    int started_ = 0;
};

// The helper's side, for its main(): the limits given on its command line
// (--cpu-seconds N, --allocation-mib N, --process-mib N), and the loop that
// answers requests with `read` (covers) and `readTags` until its input ends.
// Returns the exit status.
using AlbumTagsReader = std::function<AlbumTags(const std::string& path, std::string* failure)>;
TagHelperLimits tagHelperLimitsFrom(int argc, char** argv);
int serveTagRequests(const TagHelperLimits& limits, const EmbeddedCoverReader& read,
                     const AlbumTagsReader& readTags = readAlbumTags);
