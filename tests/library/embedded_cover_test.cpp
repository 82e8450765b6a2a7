// Covers inside audio files: real MP3, FLAC, M4A and Opus files written here (minimal
// audio frames and headers, then the picture added by TagLib as a tagger
// would), their pictures decoded by the browser's own decoder to check the
// colour; broken, cut and oversized tags give a reason and no crash.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <flacpicture.h>
#include <mp4coverart.h>
#include <mp4file.h>
#include <mp4tag.h>
#include <opusfile.h>
#include <xiphcomment.h>

#include <string>
#include <vector>

#include "library/embedded_cover.h"
#include "pictures/picture_writer.h"
#include "support/audio_files.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "texture/cover_picture.h"

namespace {

struct Colour {
    uint8_t r, g, b;
};
const Colour kRed{220, 30, 30}, kGreen{30, 200, 40}, kBlue{30, 40, 220}, kYellow{230, 220, 20},
    kMagenta{210, 30, 200};

std::string bytesOf(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TagLib::ByteVector jpegOf(Colour c) {
    std::vector<uint8_t> bytes = encodeJpeg(solidPicture(48, 48, c.r, c.g, c.b), 95);
    return TagLib::ByteVector(reinterpret_cast<const char*>(bytes.data()), unsigned(bytes.size()));
}

TagLib::ByteVector pngOf(const TempDir& dir, Colour c) {
    const std::string path = dir.at("scratch.png");
    EXPECT_TRUE(writePng(path, solidPicture(40, 40, c.r, c.g, c.b), PngKind::Rgb));
    const std::string bytes = readWholeFile(path);
    return TagLib::ByteVector(bytes.data(), unsigned(bytes.size()));
}

// One Ogg page holding one whole packet (under 255 * 255 bytes).
std::string oggPage(const std::string& packet, unsigned char flags, uint64_t granule, uint32_t sequence) {
    std::string page = "OggS";
    page += char(0);
    page += char(flags);
    for (int i = 0; i < 8; ++i) page += char((granule >> (8 * i)) & 0xFF);
    page += std::string("\x21\x43\x65\x07", 4);  // stream serial number
    for (int i = 0; i < 4; ++i) page += char((sequence >> (8 * i)) & 0xFF);
    page += std::string(4, '\0');  // checksum, filled in below
    std::string lacing;
    size_t left = packet.size();
    for (; left >= 255; left -= 255) lacing += char(255);
    lacing += char(left);
    page += char(lacing.size());
    page += lacing + packet;
    uint32_t crc = 0;  // CRC-32, polynomial 0x04c11db7, not reflected, as Ogg wants it
    for (unsigned char byte : page) {
        crc ^= uint32_t(byte) << 24;
        for (int bit = 0; bit < 8; ++bit) crc = crc & 0x80000000u ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    for (int i = 0; i < 4; ++i) page[22 + i] = char((crc >> (8 * i)) & 0xFF);
    return page;
}

// An Ogg Opus stream: its two header packets and one 20 ms packet of silence.
std::string opusStream() {
    const std::string head = std::string("OpusHead\x01\x02\x38\x01\x80\xBB\0\0\0\0\0", 19);
    const std::string tags = std::string("OpusTags\x04\0\0\0test\0\0\0\0", 20);
    return oggPage(head, 0x02, 0, 0) + oggPage(tags, 0, 0, 1) + oggPage(std::string("\xF8\xFF\xFE", 3), 0x04, 1272, 2);
}

void addXiphPicture(const std::string& path, int type, const TagLib::ByteVector& data) {
    TagLib::Ogg::Opus::File file(path.c_str());
    ASSERT_TRUE(file.isValid()) << path;
    auto* picture = new TagLib::FLAC::Picture;
    picture->setType(TagLib::FLAC::Picture::Type(type));
    picture->setMimeType("image/png");
    picture->setData(data);
    file.tag()->addPicture(picture);
    ASSERT_TRUE(file.save());
}

void addMp4Cover(const std::string& path, const TagLib::ByteVector& data, TagLib::MP4::CoverArt::Format format) {
    TagLib::MP4::File file(path.c_str());
    ASSERT_TRUE(file.isValid()) << path;
    TagLib::MP4::CoverArtList covers;
    covers.append(TagLib::MP4::CoverArt(format, data));
    file.tag()->setItem("covr", covers);
    ASSERT_TRUE(file.save());
}

// The picture's middle pixel as the browser's decoder sees it.
void expectDecodesTo(const TempDir& dir, const std::vector<uint8_t>& bytes, Colour want, const std::string& what) {
    ASSERT_FALSE(bytes.empty()) << what;
    const std::string path = dir.writeFile("decoded-" + std::to_string(bytes.size()), bytesOf(bytes));
    CoverPicture picture = decodeCoverPicture(path.c_str());
    ASSERT_TRUE(picture.usable()) << what << ": " << picture.failure;
    const uint8_t* p = &picture.pixels[size_t(picture.height / 2) * picture.pitch + size_t(picture.width / 2) * 3];
    EXPECT_NEAR(p[0], want.r, 12) << what;
    EXPECT_NEAR(p[1], want.g, 12) << what;
    EXPECT_NEAR(p[2], want.b, 12) << what;
}

constexpr int kOther = 0, kFront = 3, kBack = 4;

}  // namespace

TEST(EmbeddedCover, FirstAudioFileWithAPictureInNameOrderPreferringTheFront) {
    TempDir dir;
    for (const char* folder : {"mp3", "flac", "flac2", "m4a", "opus", "ogg"}) dir.makeFolder(folder);
    // MP3: the first file has no picture, the second a back cover before its front cover.
    dir.writeFile("mp3/01 Intro.mp3", mp3Frames());
    dir.writeFile("mp3/02 Song.mp3", mp3Frames());
    dir.writeFile("mp3/03 Later.mp3", mp3Frames());
    dir.writeFile("mp3/cover.txt", "not audio");
    addId3Pictures(dir.at("mp3/02 Song.mp3"), {{kBack, jpegOf(kRed)}, {kFront, pngOf(dir, kGreen)}});
    addId3Pictures(dir.at("mp3/03 Later.mp3"), {{kFront, jpegOf(kYellow)}});

    // FLAC: a picture of another type only: it is taken.
    dir.writeFile("flac/a.flac", flacStream());
    addFlacPictures(dir.at("flac/a.flac"), {{kOther, jpegOf(kBlue)}});
    // FLAC with both: the front one.
    dir.writeFile("flac2/Track 1.FLAC", flacStream());
    addFlacPictures(dir.at("flac2/Track 1.FLAC"), {{kBack, jpegOf(kRed)}, {kFront, jpegOf(kYellow)}});

    // M4A: the covr atom, PNG.
    dir.writeFile("m4a/01.m4a", mp4Skeleton());
    addMp4Cover(dir.at("m4a/01.m4a"), pngOf(dir, kMagenta), TagLib::MP4::CoverArt::PNG);

    // Opus: METADATA_BLOCK_PICTURE in its comment header; also under the .ogg ending.
    dir.writeFile("opus/01.opus", opusStream());
    addXiphPicture(dir.at("opus/01.opus"), kFront, pngOf(dir, kBlue));
    dir.writeFile("ogg/01.ogg", opusStream());
    addXiphPicture(dir.at("ogg/01.ogg"), kOther, jpegOf(kMagenta));

    struct Case {
        const char* folder;
        Colour colour;
    };
    for (const Case& c : {Case{"mp3", kGreen}, Case{"flac", kBlue}, Case{"flac2", kYellow}, Case{"m4a", kMagenta},
                          Case{"opus", kBlue}, Case{"ogg", kMagenta}}) {
        std::string failure = "unchanged";
        std::vector<uint8_t> bytes = findEmbeddedCover(dir.at(c.folder), &failure);
        EXPECT_EQ(failure, "") << c.folder;
        expectDecodesTo(dir, bytes, c.colour, c.folder);
    }
}

TEST(EmbeddedCover, NoPictureBrokenCutAndHugeTagsGiveAReasonNeverACrash) {
    TempDir dir;
    for (const char* folder : {"plain", "broken", "big"}) dir.makeFolder(folder);
    // No picture anywhere: empty, and no reason to complain.
    dir.writeFile("plain/01.mp3", mp3Frames());
    dir.writeFile("plain/02.flac", flacStream());
    dir.makeFolder("plain/03.mp3");  // a folder with an audio name is skipped
    ASSERT_EQ(mkfifo(dir.at("plain/04.flac").c_str(), 0644), 0);  // and a FIFO, never opened
    std::string failure = "unchanged", audioFile = "unchanged";
    EXPECT_TRUE(findEmbeddedCover(dir.at("plain"), &failure, &audioFile).empty());
    EXPECT_EQ(failure, "");
    EXPECT_EQ(audioFile, "");
    EXPECT_TRUE(findEmbeddedCover(dir.at("missing"), &failure).empty());
    EXPECT_EQ(failure, "");

    // An ID3v2 header claiming 200 MiB is refused before it is read.
    const unsigned char huge[] = {'I', 'D', '3', 4, 0, 0, 0x64, 0, 0, 0};
    dir.writeFile("broken/01 huge.mp3", std::string(reinterpret_cast<const char*>(huge), sizeof huge) + mp3Frames());
    // Garbage with audio names, and a real file cut in the middle of its picture.
    dir.writeFile("broken/02 garbage.flac", "this is not a FLAC stream at all");
    dir.writeFile("broken/03 garbage.m4a", std::string(5000, '\x7f'));
    dir.writeFile("broken/04 cut.mp3", mp3Frames());
    addId3Pictures(dir.at("broken/04 cut.mp3"), {{kFront, jpegOf(kRed)}});
    dir.writeFile("broken/04 cut.mp3", readWholeFile(dir.at("broken/04 cut.mp3")).substr(0, 300));
    dir.writeFile("broken/05 garbage.ogg", "OggS but no more");
    dir.writeFile("broken/06 garbage.opus", "");
    failure.clear();
    EXPECT_TRUE(findEmbeddedCover(dir.at("broken"), &failure, &audioFile).empty());
    EXPECT_EQ(audioFile, dir.at("broken/01 huge.mp3"));
    EXPECT_EQ(failure.rfind(audioFile + ": ", 0), 0u) << failure;
    EXPECT_NE(failure.find("MiB"), std::string::npos) << failure;
    for (const char* name : {"02 garbage.flac", "03 garbage.m4a", "05 garbage.ogg", "06 garbage.opus"}) {
        EXPECT_TRUE(readEmbeddedCover(dir.at(std::string("broken/") + name), &failure).empty()) << name;
        EXPECT_NE(failure, "") << name;
    }
    // A cut tag may still yield bytes; whatever it gives, the decoder must then refuse or accept safely.
    std::vector<uint8_t> cut = readEmbeddedCover(dir.at("broken/04 cut.mp3"), &failure);
    if (!cut.empty()) {
        const std::string path = dir.writeFile("cut-picture", bytesOf(cut));
        EXPECT_FALSE(decodeCoverPicture(path.c_str()).usable());
    }

    // A later good file still gives its picture after broken ones.
    dir.writeFile("broken/07 good.flac", flacStream());
    addFlacPictures(dir.at("broken/07 good.flac"), {{kFront, jpegOf(kGreen)}});
    expectDecodesTo(dir, findEmbeddedCover(dir.at("broken"), &failure, &audioFile), kGreen, "after broken files");
    EXPECT_EQ(failure, "");
    EXPECT_EQ(audioFile, dir.at("broken/07 good.flac"));

    // A picture beyond the limit (an M4A covr of 33 MiB) is refused.
    dir.writeFile("big/01.m4a", mp4Skeleton());
    TagLib::ByteVector big = jpegOf(kRed);
    big.resize(unsigned(kMaxEmbeddedPictureBytes + (1 << 20)), '\0');
    addMp4Cover(dir.at("big/01.m4a"), big, TagLib::MP4::CoverArt::JPEG);
    EXPECT_TRUE(findEmbeddedCover(dir.at("big"), &failure).empty());
    EXPECT_NE(failure.find("more than the 32 MiB"), std::string::npos) << failure;
}
