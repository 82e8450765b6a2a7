// Both sides of the tag helper's pipe. A request is a 32-bit length and the
// path, the length's top bit set when it asks for the album's tags; a reply
// is a 32-bit length and the failure text, then a 32-bit length and the
// picture bytes, or the tags as text (year, NUL, artist, NUL, title). Lengths are in the machine's own byte order: both
// ends are the same build.
#include "library/tag_reader.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr uint32_t kMaxPathBytes = 1 << 16;
constexpr uint32_t kMaxFailureBytes = 1 << 16;
constexpr uint32_t kCoverRequest = 0, kTagsRequest = 1u << 31;  // above every path's length
constexpr size_t kMaxTagText = 4096;  // an artist or title longer than this is cut

std::vector<uint8_t> tagsAsBytes(const AlbumTags& tags) {
    const std::string text = std::to_string(tags.year) + '\0' + tags.artist.substr(0, kMaxTagText) + '\0' +
                             tags.title.substr(0, kMaxTagText);
    return std::vector<uint8_t>(text.begin(), text.end());
}

AlbumTags tagsFromBytes(const std::vector<uint8_t>& bytes) {
    const std::string text(bytes.begin(), bytes.end());
    AlbumTags tags;
    const size_t artist = text.find('\0'), title = artist == std::string::npos ? artist : text.find('\0', artist + 1);
    if (title == std::string::npos) return tags;
    tags.year = std::atoi(text.substr(0, artist).c_str());
    tags.artist = text.substr(artist + 1, title - artist - 1);
    tags.title = text.substr(title + 1);
    return tags;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;  // their shadow memory needs terabytes of address space
#else
constexpr bool kSanitized = false;
#endif

std::string seconds(std::chrono::milliseconds time) {
    const long long ms = time.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

#ifdef _WIN32
constexpr const char* kHelperName = "vellora-tags.exe";
constexpr char kSlash = '\\';
#else
constexpr const char* kHelperName = "vellora-tags";
constexpr char kSlash = '/';
#endif

}  // namespace

std::string tagHelperPath() {
    const std::string chosen = platform::environmentValue("VELLORA_TAG_HELPER");
    if (!chosen.empty()) return chosen;
    const std::string folder = platform::programFolder();
    const std::string beside = folder + kSlash + kHelperName;
    if (!folder.empty() && platform::isFile(beside)) return beside;
#ifndef _WIN32
    const std::string relative = folder + "/../libexec/vellora/" + kHelperName;
    if (!folder.empty() && platform::isFile(relative)) return relative;
#ifdef VELLORA_LIBEXEC_DIR
    return std::string(VELLORA_LIBEXEC_DIR) + "/" + kHelperName;
#endif
#endif
    return beside;
}

TagReader::TagReader(std::string program, TagHelperLimits limits) : program_(std::move(program)), limits_(limits) {}

TagReader::~TagReader() {
    if (running_) platform::stopHelper(helper_, true);
}

long TagReader::helperId() const { return running_ ? platform::helperProcessId(helper_) : 0; }

std::vector<uint8_t> TagReader::read(const std::string& path, std::string* failure, const std::atomic<bool>* cancel,
                                     bool* helperFailed) {
    return ask(kCoverRequest, path, failure, cancel, helperFailed);
}

AlbumTags TagReader::readTags(const std::string& path, std::string* failure, const std::atomic<bool>* cancel,
                              bool* helperFailed) {
    const std::vector<uint8_t> bytes = ask(kTagsRequest, path, failure, cancel, helperFailed);
    return failure->empty() ? tagsFromBytes(bytes) : AlbumTags();
}

std::vector<uint8_t> TagReader::ask(uint32_t kind, const std::string& path, std::string* failure,
                                    const std::atomic<bool>* cancel, bool* helperFailed) {
    if (helperFailed) *helperFailed = false;
    failure->clear();
    auto fail = [&](const std::string& why) {
        if (running_) platform::stopHelper(helper_, false);
        running_ = false;
        *failure = path + ": " + why;
        if (helperFailed) *helperFailed = true;
        return std::vector<uint8_t>();
    };
    const uint32_t length = uint32_t(path.size()) | kind;
    if (path.size() > kMaxPathBytes) return fail("its path is too long for the tag reader");
    // A helper that died while it waited is found out by the write; a new one gets the request.
    for (int attempt = 0;; ++attempt) {
        if (!running_) {
            std::string error;
            const std::vector<std::string> arguments = {
                "--cpu-seconds", std::to_string(limits_.cpuSeconds),
                "--allocation-mib", std::to_string(limits_.allocationBytes >> 20),
                "--process-mib", std::to_string(limits_.processBytes >> 20)};
            if (!platform::startHelper(program_, arguments, limits_.processBytes, &helper_, &error))
                return fail("cannot start the tag reader " + program_ + ": " + error);
            running_ = true;
            ++started_;
        }
        platform::renewHelperTime(helper_, limits_.cpuSeconds);
        if (platform::writeToHelper(helper_, &length, sizeof length) &&
            platform::writeToHelper(helper_, path.data(), path.size()))
            break;
        platform::stopHelper(helper_, false);
        running_ = false;
        if (attempt == 1) return fail("the tag reader ends as soon as it starts");
    }

    const auto deadline = std::chrono::steady_clock::now() + limits_.deadline;
    auto receive = [&](void* data, size_t size) -> std::string {
        switch (platform::readFromHelper(helper_, data, size, deadline, cancel)) {
            case platform::HelperRead::Done: return "";
            case platform::HelperRead::Cancelled: return "cancelled";
            case platform::HelperRead::TimedOut:
                return "reading its tags took longer than " + seconds(limits_.deadline) + "; the tag reader was stopped";
            case platform::HelperRead::Ended: break;
        }
        bool cpuLimit = false;
        const std::string ending = platform::stopHelper(helper_, true, &cpuLimit);
        running_ = false;
        if (cpuLimit)
            return "reading its tags took more than " + std::to_string(limits_.cpuSeconds) +
                   " s of CPU time; the tag reader was stopped";
        return "the tag reader ended while reading it (" + (ending.empty() ? std::string("no reply") : ending) + ")";
    };
    uint32_t failureLength = 0, pictureLength = 0;
    std::string why = receive(&failureLength, sizeof failureLength);
    if (!why.empty()) return fail(why);
    if (failureLength > kMaxFailureBytes) return fail("the tag reader sent a malformed reply");
    std::string text(failureLength, '\0');
    if (!(why = receive(&text[0], text.size())).empty() || !(why = receive(&pictureLength, sizeof pictureLength)).empty())
        return fail(why);
    if (pictureLength > kMaxEmbeddedPictureBytes) return fail("the tag reader sent a malformed reply");
    std::vector<uint8_t> picture;
    try {
        picture.resize(pictureLength);
    } catch (const std::bad_alloc&) {
        return fail("no memory for its picture");
    }
    if (pictureLength > 0 && !(why = receive(picture.data(), picture.size())).empty()) return fail(why);
    *failure = std::move(text);
    return picture;
}

TagHelperLimits tagHelperLimitsFrom(int argc, char** argv) {
    TagHelperLimits limits;
    for (int i = 1; i + 1 < argc; i += 2) {
        const unsigned long value = std::strtoul(argv[i + 1], nullptr, 10);
        if (std::strcmp(argv[i], "--cpu-seconds") == 0) limits.cpuSeconds = unsigned(value);
        if (std::strcmp(argv[i], "--allocation-mib") == 0) limits.allocationBytes = size_t(value) << 20;
        if (std::strcmp(argv[i], "--process-mib") == 0) limits.processBytes = size_t(value) << 20;
    }
    return limits;
}

int serveTagRequests(const TagHelperLimits& limits, const EmbeddedCoverReader& read,
                     const AlbumTagsReader& readTags) {
    platform::limitThisHelper(kSanitized ? 0 : limits.processBytes);
    for (;;) {
        uint32_t length = 0;
        if (!platform::readStandardInput(&length, sizeof length)) return 0;  // the browser is done
        const bool tagsAsked = (length & kTagsRequest) != 0;
        length &= ~kTagsRequest;
        if (length > kMaxPathBytes) return 2;
        std::string path(length, '\0');
        if (!platform::readStandardInput(&path[0], path.size())) return 0;
        platform::renewOwnCpuLimit(limits.cpuSeconds);
        std::string failure;
        std::vector<uint8_t> picture;
        try {
            picture = tagsAsked ? tagsAsBytes(readTags(path, &failure)) : read(path, &failure);
        } catch (const std::bad_alloc&) {
            picture = std::vector<uint8_t>();
            failure = path + ": its tags need more than the " + std::to_string(limits.allocationBytes >> 20) +
                      " MiB the tag reader may use";
        }
        if (picture.size() > kMaxEmbeddedPictureBytes) {  // the reader's own limit; never sent
            picture = std::vector<uint8_t>();
            failure = path + ": its embedded picture is too large";
        }
        if (failure.size() > kMaxFailureBytes) failure.resize(kMaxFailureBytes);
        const uint32_t failureLength = uint32_t(failure.size()), pictureLength = uint32_t(picture.size());
        if (!platform::writeStandardOutput(&failureLength, sizeof failureLength) ||
            !platform::writeStandardOutput(failure.data(), failure.size()) ||
            !platform::writeStandardOutput(&pictureLength, sizeof pictureLength) ||
            !platform::writeStandardOutput(picture.data(), picture.size()))
            return 0;
    }
}
