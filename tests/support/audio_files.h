// Small but real audio files for tests, and pictures added to their tags by
// TagLib as a tagger would.
#pragma once

#include <mp4coverart.h>
#include <tbytevector.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

class TempDir;

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

// The covr atom a tagger adds to an MP4 file.
void addMp4Cover(const std::string& path, const TagLib::ByteVector& data, TagLib::MP4::CoverArt::Format format);

// Tags an MP3 as a tagger does, in an ID3v2 tag of `id3Version` 3 (the year
// in TYER) or 4 (in TDRC): artist, album "Title of ARTIST", and the album
// artist (TPE2) and year when given.
void tagMp3(const std::string& path, int id3Version, const char* year, const char* artist, const char* albumArtist);

// A fifth of a second of stereo silence as a WAV file, for the encoders.
std::string silentWav();
// Runs an encoder in `dir`; a failure is a test failure.
void encode(const std::vector<std::string>& argv, const TempDir& dir);
// Writes `bytes` to a file `name` in `dir` and gives its path, for the
// encoders' picture options.
std::string scratch(const TempDir& dir, const std::string& name, const TagLib::ByteVector& bytes);

// A Monkey's Audio file's descriptor and header (version 3.99, no frames).
std::string apeSkeleton();
// An ASF (WMA) file: a header object with its file and stream properties (one
// WMA v2 audio stream), then an empty data object.
std::string asfSkeleton();

// APEv2 "Cover Art (...)" items (key, picture) as a tagger writes them into a
// .mpc, .wv or .ape file: a file name, a NUL, the picture.
void addApeCovers(const std::string& path, std::initializer_list<std::pair<const char*, TagLib::ByteVector>> covers);
// WM/Picture attributes (picture type, bytes) of a WMA file.
void addAsfPictures(const std::string& path, std::initializer_list<std::pair<int, TagLib::ByteVector>> pictures);
