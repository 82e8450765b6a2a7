// The tag helper process, real: vellora-tags reads covers as the browser's own
// call would, and a hostile stand-in built the same way (the same request
// loop, limits and allocation cap) is told to crash, to spin and to allocate
// without end. Each costs only that file, with a reason naming it, and the
// next file is read by a new helper. Also run under Wine, where Job Object
// limits are not enforced: there the allocation cap and the deadline are
// what is tested.
#include "library/tag_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#ifndef _WIN32
#include "pictures/hostile_files.h"
#include "pictures/picture_writer.h"
#endif

namespace {

TagHelperLimits limits(int deadlineMs, unsigned cpuSeconds) {
    TagHelperLimits limits;
    limits.deadline = std::chrono::milliseconds(deadlineMs);
    limits.cpuSeconds = cpuSeconds;
    limits.allocationBytes = size_t(64) << 20;
    return limits;
}

bool holds(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(TagReader, AHelperThatCrashesSpinsOrAllocatesCostsOnlyThatFile) {
    TempDir dir;
    const std::string plain = dir.writeFile("plain.mp3", std::string("\xFF\xFB\x90\x00", 4) + std::string(413, '\0'));
    const std::string crash = dir.writeFile("crash.mp3", "crash");
    const std::string spin = dir.writeFile("spin.mp3", "spin");
    const std::string allocate = dir.writeFile("allocate.mp3", "allocate");
    const std::string exits = dir.writeFile("exit.mp3", "exit");

    // A generous deadline: here the helper's own limits end the work.
    TagReader reader(VELLORA_HOSTILE_TAG_HELPER, limits(60000, 1));
    std::string failure;
    bool helperFailed = true;
    EXPECT_TRUE(reader.read(plain, &failure, nullptr, &helperFailed).empty());
    EXPECT_EQ(failure, "");  // no tag, nothing to complain about
    EXPECT_FALSE(helperFailed);
    const long first = reader.helperId();
    EXPECT_NE(first, 0);

    // Allocating without end meets the cap; the helper lives on.
    EXPECT_TRUE(reader.read(allocate, &failure, nullptr, &helperFailed).empty());
    EXPECT_EQ(failure, allocate + ": its tags need more than the 64 MiB the tag reader may use");
    EXPECT_FALSE(helperFailed);
    EXPECT_EQ(reader.helperId(), first);

    EXPECT_TRUE(reader.read(crash, &failure, nullptr, &helperFailed).empty());
    EXPECT_TRUE(helperFailed);
    EXPECT_TRUE(holds(failure, crash + ": the tag reader ended while reading it (")) << failure;
    EXPECT_EQ(reader.helperId(), 0);

    EXPECT_TRUE(reader.read(exits, &failure, nullptr, &helperFailed).empty());
    EXPECT_TRUE(helperFailed);
    EXPECT_EQ(failure, exits + ": the tag reader ended while reading it (ended with status 3)");

    // Each failure cost its helper; the next file gets a new one.
    EXPECT_TRUE(reader.read(plain, &failure, nullptr, &helperFailed).empty());
    EXPECT_FALSE(helperFailed);
    EXPECT_EQ(failure, "");
    EXPECT_EQ(reader.helpersStarted(), 3);

#ifndef _WIN32
    // Spinning meets its CPU time limit (RLIMIT_CPU, renewed per file).
    EXPECT_TRUE(reader.read(spin, &failure, nullptr, &helperFailed).empty());
    EXPECT_TRUE(helperFailed);
    EXPECT_EQ(failure, spin + ": reading its tags took more than 1 s of CPU time; the tag reader was stopped");
#endif

    // The browser's deadline holds whatever the helper does.
    TagReader hurried(VELLORA_HOSTILE_TAG_HELPER, limits(1000, 60));
    EXPECT_TRUE(hurried.read(spin, &failure, nullptr, &helperFailed).empty());
    EXPECT_TRUE(helperFailed);
    EXPECT_EQ(failure, spin + ": reading its tags took longer than 1 s; the tag reader was stopped");
    EXPECT_TRUE(hurried.read(plain, &failure, nullptr, &helperFailed).empty());
    EXPECT_FALSE(helperFailed);

    // A cancelled wait ends at once.
    std::atomic<bool> cancel{true};
    EXPECT_TRUE(hurried.read(spin, &failure, &cancel, &helperFailed).empty());
    EXPECT_EQ(failure, spin + ": cancelled");

    TagReader missing(dir.at("no-such-helper"), limits(1000, 1));
    EXPECT_TRUE(missing.read(plain, &failure, nullptr, &helperFailed).empty());
    EXPECT_TRUE(helperFailed);
    EXPECT_TRUE(holds(failure, plain + ": cannot start the tag reader " + dir.at("no-such-helper") + ": "))
        << failure;
}

#ifndef _WIN32
TEST(TagReader, TheHelperReadsCoversAsTheBrowsersOwnCallAndKeepsItsLimits) {
    TempDir dir;
    const std::vector<uint8_t> jpeg = encodeJpeg(solidPicture(32, 32, 20, 200, 40), 90);
    const std::string mpeg = silentMpegFrames(4);
    const std::string song = dir.writeFile("song.mp3", id3Tag(3, id3FrontCover(3, jpeg)) + mpeg);
    const std::string deep = dir.writeFile("deep.mp3", nestedChapterTag(17000, true) + mpeg);

    TagReader reader(VELLORA_TAG_HELPER_BINARY);
    std::string failure, inProcess;
    bool helperFailed = true;
    EXPECT_EQ(reader.read(song, &failure, nullptr, &helperFailed), jpeg);
    EXPECT_EQ(failure, "");
    // A hostile tag is refused by the guards inside the helper, which lives on.
    const long helper = reader.helperId();
    EXPECT_TRUE(reader.read(deep, &failure, nullptr, &helperFailed).empty());
    EXPECT_FALSE(helperFailed);
    readEmbeddedCover(deep, &inProcess);
    EXPECT_EQ(failure, inProcess);
    EXPECT_TRUE(holds(failure, "nested more than 32 deep")) << failure;
    EXPECT_EQ(reader.helperId(), helper);
    // Ogg FLAC of 50,000 header packets and no picture: walked by the reader
    // of our own in a moment, and never handed to TagLib, whose packet lookup
    // would take the helper past its deadline.
    const std::string headers = dir.writeFile("headers.oga", oggFlacWithPadding(50000, {}));
    EXPECT_TRUE(reader.read(headers, &failure, nullptr, &helperFailed).empty());
    EXPECT_EQ(failure, "");
    EXPECT_FALSE(helperFailed);

    // Its address space is limited, except in sanitizer builds.
    std::ifstream limitsFile("/proc/" + std::to_string(helper) + "/limits");
    std::string line, addressSpace;
    while (std::getline(limitsFile, line))
        if (line.rfind("Max address space", 0) == 0) addressSpace = line;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    EXPECT_TRUE(holds(addressSpace, "unlimited")) << addressSpace;
#else
    EXPECT_TRUE(holds(addressSpace, std::to_string(TagHelperLimits().processBytes))) << addressSpace;
#endif
}
#endif
