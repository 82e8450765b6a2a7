#include "support/audio_files.h"

#include <gtest/gtest.h>

#include <attachedpictureframe.h>
#include <flacfile.h>
#include <flacpicture.h>
#include <id3v2tag.h>
#include <mpegfile.h>

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
