#include "support/audio_files.h"

#include <gtest/gtest.h>

#include <apefile.h>
#include <apetag.h>
#include <asffile.h>
#include <asfpicture.h>
#include <asftag.h>
#include <attachedpictureframe.h>
#include <flacfile.h>
#include <flacpicture.h>
#include <id3v2tag.h>
#include <mp4coverart.h>
#include <mp4file.h>
#include <mp4tag.h>
#include <mpcfile.h>
#include <mpegfile.h>
#include <textidentificationframe.h>
#include <wavpackfile.h>

#include <memory>

#include "support/process.h"
#include "support/temp_dir.h"

#include "pictures/hostile_files.h"

std::string mp3Frames() { return silentMpegFrames(10); }

std::string flacStream() {
    std::string s = "fLaC";
    const unsigned char info[] = {0x80, 0x00, 0x00, 0x22,  // last block, STREAMINFO, 34 bytes
                                  0x10, 0x00, 0x10, 0x00,  // block sizes 4096
                                  0, 0, 0, 0, 0, 0,        // frame sizes unknown
                                  0x0A, 0xC4, 0x42, 0xF0,  // 44100 Hz, 2 channels, 16 bits
                                  0, 0, 0, 0};             // sample count unknown
    s.append(reinterpret_cast<const char*>(info), sizeof info);
    s.append(16, '\0');  // MD5
    s += "\xFF\xF8";
    s.append(200, '\0');
    return s;
}

std::string box(const std::string& type, const std::string& body) {
    const uint32_t size = uint32_t(8 + body.size());
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) s += char((size >> shift) & 0xFF);
    return s + type + body;
}

std::string mp4Skeleton() {
    std::string mvhd(100, '\0');
    mvhd[15] = char(0xE8), mvhd[14] = char(0x03);  // time scale 1000
    mvhd[20] = 1;                                   // rate 1.0
    mvhd[24] = 1;                                   // volume 1.0
    mvhd[37] = 1, mvhd[53] = 1, mvhd[68] = 0x40;    // identity matrix
    mvhd[99] = 2;                                   // next track id
    return box("ftyp", std::string("M4A ") + std::string("\0\0\2\0", 4) + "M4A isom") +
           box("moov", box("mvhd", mvhd));
}

void addId3Pictures(const std::string& path, std::initializer_list<std::pair<int, TagLib::ByteVector>> pictures) {
    TagLib::MPEG::File file(path.c_str());
    ASSERT_TRUE(file.isValid()) << path;
    for (const auto& [type, data] : pictures) {
        auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
        frame->setType(TagLib::ID3v2::AttachedPictureFrame::Type(type));
        frame->setMimeType("image/jpeg");
        frame->setPicture(data);
        file.ID3v2Tag(true)->addFrame(frame);
    }
    ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2));
}

void addFlacPictures(const std::string& path, std::initializer_list<std::pair<int, TagLib::ByteVector>> pictures) {
    TagLib::FLAC::File file(path.c_str());
    ASSERT_TRUE(file.isValid()) << path;
    for (const auto& [type, data] : pictures) {
        auto* picture = new TagLib::FLAC::Picture;
        picture->setType(TagLib::FLAC::Picture::Type(type));
        picture->setMimeType("image/jpeg");
        picture->setData(data);
        file.addPicture(picture);
    }
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

void tagMp3(const std::string& path, int id3Version, const char* year, const char* artist, const char* albumArtist) {
    TagLib::MPEG::File file(path.c_str());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    tag->setArtist(artist);
    tag->setAlbum("Title of " + TagLib::String(artist));
    if (albumArtist) {
        auto* frame = new TagLib::ID3v2::TextIdentificationFrame("TPE2", TagLib::String::UTF8);
        frame->setText(albumArtist);
        tag->addFrame(frame);
    }
    if (year) {
        auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id3Version == 4 ? "TDRC" : "TYER",
                                                                 TagLib::String::Latin1);
        frame->setText(year);
        tag->addFrame(frame);
    }
    ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers,
                          id3Version == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3));
}

// A fifth of a second of stereo silence as a WAV file, for the encoders.
std::string silentWav() {
    auto le = [](uint32_t value, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i) s += char((value >> (8 * i)) & 0xFF);
        return s;
    };
    const uint32_t dataBytes = 8820 * 4;
    return "RIFF" + le(36 + dataBytes, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(2, 2) + le(44100, 4) +
           le(44100 * 4, 4) + le(4, 2) + le(16, 2) + "data" + le(dataBytes, 4) + std::string(dataBytes, '\0');
}

// Runs an encoder; a failure is a test failure.
void encode(const std::vector<std::string>& argv, const TempDir& dir) {
    ProcessResult result = runProcess(argv, dir.path());
    ASSERT_EQ(result.status, 0) << argv[0] << ": " << result.err;
}

// Writes `bytes` to a scratch file named `name` and gives its path, for the
// encoders' picture options.
std::string scratch(const TempDir& dir, const std::string& name, const TagLib::ByteVector& bytes) {
    return dir.writeFile(name, std::string(bytes.data(), bytes.size()));
}

// A Monkey's Audio file's descriptor and header (version 3.99, no frames):
// what a file begins with; the tags go at its end.
std::string apeSkeleton() {
    auto le = [](uint32_t value, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i) s += char((value >> (8 * i)) & 0xFF);
        return s;
    };
    return "MAC " + le(3990, 2) + le(0, 2) + le(52, 4) + le(24, 4) + le(0, 4) + le(0, 4) + le(0, 4) + le(0, 4) +
           le(0, 4) + std::string(16, '\0') + le(2000, 2) + le(0, 2) + le(73728, 4) + le(0, 4) + le(0, 4) +
           le(16, 2) + le(2, 2) + le(44100, 4);
}

// An ASF (WMA) file: a header object with its file and stream properties
// (one WMA v2 audio stream), then an empty data object.
std::string asfSkeleton() {
    auto le = [](uint64_t value, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i) s += char((value >> (8 * i)) & 0xFF);
        return s;
    };
    auto guid = [&](uint32_t a, uint16_t b, uint16_t c, uint64_t d) {
        std::string s = le(a, 4) + le(b, 2) + le(c, 2);
        for (int i = 7; i >= 0; --i) s += char((d >> (8 * i)) & 0xFF);
        return s;
    };
    const std::string fileId = guid(0x12345678, 0x9ABC, 0xDEF0, 0x0102030405060708ull);
    const std::string fileProperties = guid(0x8CABDCA1, 0xA947, 0x11CF, 0x8EE400C00C205365ull) + le(104, 8) + fileId +
                                       le(0, 8) + le(0, 8) + le(0, 8) + le(2000000, 8) + le(2000000, 8) + le(0, 8) +
                                       le(2, 4) + le(3200, 4) + le(3200, 4) + le(128000, 4);
    const std::string waveFormat = le(0x0161, 2) + le(2, 2) + le(44100, 4) + le(16000, 4) + le(3200, 2) +
                                   le(16, 2) + le(0, 2);
    const std::string streamProperties = guid(0xB7DC0791, 0xA9B7, 0x11CF, 0x8EE600C00C205365ull) + le(96, 8) +
                                         guid(0xF8699E40, 0x5B4D, 0x11CF, 0xA8FD00805F5C442Bull) +
                                         guid(0x20FB5700, 0x5B55, 0x11CF, 0xA8FD00805F5C442Bull) + le(0, 8) +
                                         le(18, 4) + le(0, 4) + le(1, 2) + le(0, 4) + waveFormat;
    const std::string header = guid(0x75B22630, 0x668E, 0x11CF, 0xA6D900AA0062CE6Cull) +
                               le(30 + fileProperties.size() + streamProperties.size(), 8) + le(2, 4) + "\x01\x02" +
                               fileProperties + streamProperties;
    const std::string data = guid(0x75B22636, 0x668E, 0x11CF, 0xA6D900AA0062CE6Cull) + le(50, 8) + fileId +
                             le(0, 8) + "\x01\x01";
    return header + data;
}

void addApeCovers(const std::string& path, std::initializer_list<std::pair<const char*, TagLib::ByteVector>> covers) {
    const std::string ending = path.substr(path.rfind('.') + 1);
    std::unique_ptr<TagLib::File> file;
    TagLib::APE::Tag* tag = nullptr;
    if (ending == "mpc") {
        auto* mpc = new TagLib::MPC::File(path.c_str());
        file.reset(mpc);
        tag = mpc->APETag(true);
    } else if (ending == "wv") {
        auto* wv = new TagLib::WavPack::File(path.c_str());
        file.reset(wv);
        tag = wv->APETag(true);
    } else {
        auto* ape = new TagLib::APE::File(path.c_str());
        file.reset(ape);
        tag = ape->APETag(true);
    }
    ASSERT_TRUE(file->isValid() && tag) << path;
    for (const auto& [key, data] : covers) {
        TagLib::ByteVector value("cover.jpg");
        value.append('\0');
        value.append(data);
        tag->setData(key, value);
    }
    ASSERT_TRUE(file->save());
}

void addAsfPictures(const std::string& path, std::initializer_list<std::pair<int, TagLib::ByteVector>> pictures) {
    TagLib::ASF::File file(path.c_str());
    ASSERT_TRUE(file.isValid()) << path;
    for (const auto& [type, data] : pictures) {
        TagLib::ASF::Picture picture;
        picture.setType(TagLib::ASF::Picture::Type(type));
        picture.setMimeType("image/jpeg");
        picture.setPicture(data);
        file.tag()->addAttribute("WM/Picture", TagLib::ASF::Attribute(picture));
    }
    ASSERT_TRUE(file.save());
}

