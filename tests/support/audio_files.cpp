#include "support/audio_files.h"

#include <gtest/gtest.h>

#include <attachedpictureframe.h>
#include <flacfile.h>
#include <flacpicture.h>
#include <id3v2tag.h>
#include <mpegfile.h>

std::string mp3Frames() {
    std::string frame(417, '\0');
    frame[0] = char(0xFF), frame[1] = char(0xFB), frame[2] = char(0x90), frame[3] = char(0x00);
    std::string frames;
    for (int i = 0; i < 10; ++i) frames += frame;
    return frames;
}

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
