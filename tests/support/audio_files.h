// Small but real audio files for tests, and pictures added to their tags by
// TagLib as a tagger would.
#pragma once

#include <tbytevector.h>

#include <initializer_list>
#include <string>
#include <utility>

// Ten silent MPEG-1 layer III frames, 128 kbit/s, 44.1 kHz: 417 bytes each.
std::string mp3Frames();
// "fLaC", one STREAMINFO block (44.1 kHz, stereo, 16 bits), then a few bytes of stream.
std::string flacStream();

// An MP4 atom: 32-bit size, type, body.
std::string box(const std::string& type, const std::string& body);
// ftyp and a moov holding only its movie header: enough for a tagger to add an ilst.
std::string mp4Skeleton();

// Pictures as (picture type, bytes): ID3v2 APIC frames of an MP3, PICTURE
// blocks of a FLAC file. A failure is a test failure.
void addId3Pictures(const std::string& path, std::initializer_list<std::pair<int, TagLib::ByteVector>> pictures);
void addFlacPictures(const std::string& path, std::initializer_list<std::pair<int, TagLib::ByteVector>> pictures);
