// Covers inside audio files: real MP3, FLAC, M4A/M4B, Opus, WMA and Monkey's
// Audio files written here (minimal audio frames and headers, then the picture
// added by TagLib as a tagger would), Ogg FLAC, WavPack and Musepack files made
// by their own encoders, their pictures decoded by the browser's own decoder to
// check the colour; broken, cut and oversized tags and pictures give a reason
// and no crash, and a picture beyond the limit gives way to the next one.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <flacpicture.h>
#include <mp4coverart.h>
#include <opusfile.h>
#include <xiphcomment.h>

#include <memory>
#include <string>
#include <vector>

#include "library/album_tags.h"
#include "library/embedded_cover.h"
#include "library/ogg_flac_pictures.h"
#include "pictures/hostile_files.h"
#include "platform/platform.h"
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

    // Ogg FLAC as `flac --ogg --picture` writes it, a back cover before the front.
    const std::string wav = dir.writeFile("silence.wav", silentWav());
    for (const char* folder : {"oga", "ogg-flac", "m4b", "wv", "mpc", "ape", "wma"}) dir.makeFolder(folder);
    encode({"flac", "--ogg", "--silent", "--picture=4|image/jpeg|||" + scratch(dir, "back.jpg", jpegOf(kRed)),
            "--picture=3|image/png|||" + scratch(dir, "front.png", pngOf(dir, kGreen)), "-o", dir.at("oga/01.oga"),
            wav},
           dir);
    // Under the .ogg ending, a picture of another type only.
    encode({"flac", "--ogg", "--silent", "--picture=0|image/jpeg|||" + scratch(dir, "other.jpg", jpegOf(kYellow)),
            "-o", dir.at("ogg-flac/01.ogg"), wav},
           dir);
    // An audiobook: MP4 with covr.
    dir.writeFile("m4b/Book.m4b", mp4Skeleton());
    addMp4Cover(dir.at("m4b/Book.m4b"), jpegOf(kBlue), TagLib::MP4::CoverArt::JPEG);
    // WavPack with the front cover written by the encoder itself.
    encode({"wavpack", "-q", "--write-binary-tag", "Cover Art (Front)=@" + scratch(dir, "wv.jpg", jpegOf(kMagenta)),
            wav, "-o", dir.at("wv/01.wv")},
           dir);
    // Musepack, tagged afterwards: the back before the front.
    encode({"mpcenc", "--silent", wav, dir.at("mpc/01.mpc")}, dir);
    addApeCovers(dir.at("mpc/01.mpc"), {{"Cover Art (Back)", jpegOf(kRed)}, {"Cover Art (Front)", jpegOf(kYellow)}});
    // Monkey's Audio with only the back: it is taken.
    dir.writeFile("ape/01.ape", apeSkeleton());
    addApeCovers(dir.at("ape/01.ape"), {{"Cover Art (Back)", jpegOf(kGreen)}});
    // WMA: WM/Picture attributes, the back before the front.
    dir.writeFile("wma/01.wma", asfSkeleton());
    addAsfPictures(dir.at("wma/01.wma"), {{kBack, jpegOf(kRed)}, {kFront, jpegOf(kBlue)}});
    // The same kinds under their other endings, counted as audio by the album rules too.
    for (const char* folder : {"mp2", "asf", "ogg-comment"}) dir.makeFolder(folder);
    dir.writeFile("mp2/01.mp2", mp3Frames());
    addId3Pictures(dir.at("mp2/01.mp2"), {{kFront, jpegOf(kYellow)}});
    dir.writeFile("asf/01.asf", asfSkeleton());
    addAsfPictures(dir.at("asf/01.asf"), {{kFront, jpegOf(kGreen)}});
    // Ogg FLAC whose picture is in a comment, behind 20,000 header packets.
    const std::vector<uint8_t> red = encodeJpeg(solidPicture(48, 48, kRed.r, kRed.g, kRed.b), 95);
    dir.writeFile("ogg-comment/01.oga", oggFlacWithPadding(20000, red));

    struct Case {
        const char* folder;
        Colour colour;
    };
    const Case cases[] = {{"mp3", kGreen},    {"flac", kBlue},    {"flac2", kYellow},    {"m4a", kMagenta},
                          {"opus", kBlue},    {"ogg", kMagenta},  {"oga", kGreen},       {"ogg-flac", kYellow},
                          {"m4b", kBlue},     {"wv", kMagenta},   {"mpc", kYellow},      {"ape", kGreen},
                          {"wma", kBlue},     {"mp2", kYellow},   {"asf", kGreen},       {"ogg-comment", kRed}};
    // Reading a cover or the tags writes nothing: the album's folder watch
    // must not hear of a change, or the cover would be read again and again.
    const std::unique_ptr<platform::FolderWatch> watch = platform::makeFolderWatch();
    for (const Case& c : cases) ASSERT_EQ(watch->watch(dir.at(c.folder)), platform::FolderWatch::Added::Watching);
    for (const Case& c : cases) {
        std::string failure = "unchanged";
        std::vector<uint8_t> bytes = findEmbeddedCover(dir.at(c.folder), &failure);
        EXPECT_EQ(failure, "") << c.folder;
        expectDecodesTo(dir, bytes, c.colour, c.folder);
        readAlbumTags(albumTagFile(dir.at(c.folder)), &failure);
    }
    bool overflow = false;
    EXPECT_EQ(watch->wait(200, &overflow), std::vector<std::string>{});
    EXPECT_FALSE(overflow);
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

// The limit holds for each picture, not for the whole tag: a small front cover
// beside big booklet scans is shown, a front cover beyond the limit gives way
// to the next picture, and a refusal blames the picture.
TEST(EmbeddedCover, EachPictureHasTheLimitNotTheWholeTag) {
    TempDir dir;
    for (const char* folder : {"booklet", "big-front", "only-big"}) dir.makeFolder(folder);
    TagLib::ByteVector scan(unsigned(12) << 20, '\x55');
    dir.writeFile("booklet/01.mp3", mp3Frames());
    addId3Pictures(dir.at("booklet/01.mp3"), {{kOther, scan}, {kFront, jpegOf(kGreen)}, {kOther, scan}, {kOther, scan}});
    ASSERT_GT(readWholeFile(dir.at("booklet/01.mp3")).size(), size_t(36) << 20);
    TagLib::ByteVector big = jpegOf(kRed);
    big.resize(unsigned(kMaxEmbeddedPictureBytes + 1), '\0');
    dir.writeFile("big-front/01.mp3", mp3Frames());
    addId3Pictures(dir.at("big-front/01.mp3"), {{kFront, big}, {kBack, jpegOf(kYellow)}});
    dir.writeFile("only-big/01.mp3", mp3Frames());
    addId3Pictures(dir.at("only-big/01.mp3"), {{kFront, big}});

    std::string failure = "unchanged";
    expectDecodesTo(dir, findEmbeddedCover(dir.at("booklet"), &failure), kGreen, "booklet scans beside the front");
    EXPECT_EQ(failure, "");
    expectDecodesTo(dir, findEmbeddedCover(dir.at("big-front"), &failure), kYellow, "the next after a big front");
    EXPECT_EQ(failure, "");
    EXPECT_TRUE(findEmbeddedCover(dir.at("only-big"), &failure).empty());
    EXPECT_EQ(failure, dir.at("only-big/01.mp3") + ": its embedded picture has " +
                           std::to_string(kMaxEmbeddedPictureBytes + 1) + " bytes, more than the 32 MiB allowed for a picture");

    // The Ogg FLAC reader, told of a smaller limit: the same rules, and its
    // reading bounded by the header budget; a cut or foreign file gives a
    // reason or nothing, never a crash.
    const std::string wav = dir.writeFile("silence.wav", silentWav());
    const TagLib::ByteVector front = pngOf(dir, kGreen), back = jpegOf(kBlue);
    const std::string oga = dir.at("two.oga");
    encode({"flac", "--ogg", "--serial-number=7", "--silent", "--picture=3|image/png|||" + scratch(dir, "front.png", front),
            "--picture=4|image/jpeg|||" + scratch(dir, "back.jpg", back), "-o", oga, wav},
           dir);
    const size_t between = (std::max(front.size(), back.size()) + std::min(front.size(), back.size())) / 2;
    OggFlacCover cover = readOggFlacCover(oga, front.size() > back.size() ? between : size_t(1) << 20);
    EXPECT_TRUE(cover.isOggFlac);
    expectDecodesTo(dir, cover.bytes, front.size() > back.size() ? kBlue : kGreen, "within the limit");
    cover = readOggFlacCover(oga, 100);
    EXPECT_TRUE(cover.bytes.empty());
    EXPECT_EQ(cover.failure.rfind("its embedded picture has ", 0), 0u) << cover.failure;
    cover = readOggFlacCover(oga, kMaxEmbeddedPictureBytes, 200);
    EXPECT_TRUE(cover.bytes.empty());
    EXPECT_NE(cover.failure.find("run on beyond"), std::string::npos) << cover.failure;
    const std::string whole = readWholeFile(oga);
    for (size_t cut : {size_t(20), size_t(100), whole.size() / 3}) {
        const std::string path = dir.writeFile("cut.oga", whole.substr(0, cut));
        cover = readOggFlacCover(path, kMaxEmbeddedPictureBytes);
        EXPECT_TRUE(cover.bytes.empty() || cover.isOggFlac) << cut;
        std::string why;
        readEmbeddedCover(path, &why);  // and through the whole reader: no crash
    }
    // Damaged bytes in the headers (lengths, lacing, flags): a reason or a
    // picture, never a read past the packet (the sanitizer build watches).
    uint32_t seed = 12345;
    for (int i = 0; i < 200; ++i) {
        std::string damaged = whole;
        for (int flips = 0; flips < 4; ++flips) {
            seed = seed * 1103515245u + 12345u;
            damaged[(seed >> 8) % std::min<size_t>(damaged.size(), 4096)] = char(seed >> 24);
        }
        cover = readOggFlacCover(dir.writeFile("damaged.oga", damaged), kMaxEmbeddedPictureBytes);
        EXPECT_TRUE(cover.bytes.empty() || cover.bytes.size() <= std::max(front.size(), back.size())) << i;
    }
    EXPECT_FALSE(readOggFlacCover(wav, kMaxEmbeddedPictureBytes).isOggFlac);
    dir.writeFile("opus.ogg", opusStream());
    EXPECT_FALSE(readOggFlacCover(dir.at("opus.ogg"), kMaxEmbeddedPictureBytes).isOggFlac);
}
