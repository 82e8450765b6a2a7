// The tag guards on files written here: each hostile structure at the limit
// passes and one step beyond is refused, and the files that crashed or
// flooded TagLib 1.13 (17,000 nested chapter frames, 53,000 nested atoms, a
// flood of tiny frames) are refused by readEmbeddedCover itself, in this
// process, before TagLib sees them: were a guard missing, this test would
// die of a stack overflow. Ordinary tagged files pass and give their covers.
#include "library/tag_guards.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/embedded_cover.h"
#include "pictures/hostile_files.h"
#include "pictures/picture_writer.h"
#include "support/audio_files.h"
#include "support/temp_dir.h"

namespace {

struct Case {
    const char* name;  // the file name: its ending chooses the guard
    std::string bytes;
    const char* refusal;  // "" when the file passes
};

}  // namespace

TEST(TagGuards, RefuseWhatIsTooBigTooManyOrTooDeepAndPassTheRest) {
    const std::vector<uint8_t> jpeg = encodeJpeg(solidPicture(16, 16, 200, 30, 30), 90);
    const std::string cover = id3FrontCover(3, jpeg);
    const std::string mpeg = silentMpegFrames(4);
    const std::string flood = frameFloodTag(kMaxId3v2Frames + 1);
    const Case cases[] = {
        // MP3: the tag's size, its frame count and its chapter nesting.
        {"plain.mp3", id3Tag(3, cover) + mpeg, ""},
        {"chapters.mp3", nestedChapterTag(3, true) + mpeg, ""},
        {"at the size limit.mp3", id3HeaderClaiming(uint32_t(kMaxId3v2TagBytes)) + mpeg, ""},
        {"claims 200 MiB.mp3", id3HeaderClaiming(200u << 20) + mpeg, "claims 209715200 bytes, more than the 128 MiB"},
        {"frames at the limit.mp3", frameFloodTag(kMaxId3v2Frames) + mpeg, ""},
        {"frame flood.mp3", flood + mpeg, "more than 10000 frames"},
        {"ctoc at the limit.mp3", nestedChapterTag(kMaxChapterDepth, true) + mpeg, ""},
        {"ctoc one deeper.mp3", nestedChapterTag(kMaxChapterDepth + 1, true) + mpeg, "nested more than 32 deep"},
        {"ctoc 17000 deep.mp3", nestedChapterTag(17000, true) + mpeg, "nested more than 32 deep"},
        {"chap 17000 deep.MP3", nestedChapterTag(17000, false) + mpeg, "nested more than 32 deep"},
        // A tag after junk, found as TagLib finds it (before the first audio frame).
        {"junk first.mp3", std::string(100, 'j') + nestedChapterTag(40, true) + mpeg, "nested more than 32 deep"},
        {"audio first.mp3", mpeg + nestedChapterTag(40, true), ""},
        // WAV and AIFF: their ID3 chunks hold the same tags.
        {"plain.wav", wavWithTag(id3Tag(3, cover)), ""},
        {"deep.wav", wavWithTag(nestedChapterTag(17000, true)), "nested more than 32 deep"},
        {"claims 200 MiB.wav", wavWithTag(id3HeaderClaiming(200u << 20)), "more than the 128 MiB"},
        {"flood.aiff", aiffWithTag(flood), "more than 10000 frames"},
        {"plain.aif", aiffWithTag(id3Tag(3, cover)), ""},
        {"chunks at the limit.wav", wavOfChunks(kMaxRiffChunks), ""},
        {"many chunks.wav", wavOfChunks(kMaxRiffChunks + 1), "more than 4096 chunks"},
        // MP4: atom nesting and count.
        {"plain.m4a", mp4Skeleton(), ""},
        {"atoms at the limit.m4a", nestedAtomsM4a(kMaxMp4AtomDepth), ""},
        {"atoms one deeper.m4a", nestedAtomsM4a(kMaxMp4AtomDepth + 1), "nested more than 64 deep"},
        {"atoms 53000 deep.m4a", nestedAtomsM4a(53000), "nested more than 64 deep"},
        {"many atoms.mp4", manyAtomsM4a(kMaxMp4Atoms + 1), "more than 250000 MP4 atoms"},
        // FLAC: TagLib reads an ID3v2 tag at its start too.
        {"deep.flac", nestedChapterTag(17000, true) + flacStream(), "nested more than 32 deep"},
        {"plain.flac", flacStream(), ""},
        // Other kinds are not looked at.
        {"deep.opus", nestedChapterTag(17000, true), ""},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.writeFile(c.name, c.bytes);
        const std::string refusal = tagGuardRefusal(path);
        std::string failure;
        const std::vector<uint8_t> picture = readEmbeddedCover(path, &failure);
        if (!*c.refusal) {
            EXPECT_EQ(refusal, "") << c.name;
            continue;
        }
        EXPECT_NE(refusal.find(c.refusal), std::string::npos) << c.name << ": " << refusal;
        EXPECT_TRUE(picture.empty()) << c.name;
        EXPECT_EQ(failure, path + ": " + refusal) << c.name;
    }
    // The ordinary tags still give their pictures.
    for (const char* name : {"plain.mp3", "chapters.mp3", "plain.wav", "plain.aif"}) {
        std::string failure;
        const std::vector<uint8_t> picture = readEmbeddedCover(dir.at(name), &failure);
        if (std::string(name) == "chapters.mp3") {
            EXPECT_TRUE(picture.empty()) << name;  // chapters, but no picture
            EXPECT_EQ(failure, "") << name;
            continue;
        }
        EXPECT_EQ(picture, jpeg) << name << ": " << failure;
    }
}
