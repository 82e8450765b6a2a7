// Guards that look at an audio file's tag structure before TagLib reads it,
// and refuse what would cost TagLib a stack overflow or gigabytes of memory:
// ID3v2 tags (MP3, the WAV "id3 " and AIFF "ID3 " chunks, the start of a
// FLAC file) that are too big or
// hold too many frames, ID3v2 chapter frames (CHAP, CTOC) nested too deep,
// MP4 atoms nested too deep or too many, RIFF/AIFF files of too many chunks.
// The walks are iterative and read only headers, so a hostile file costs them
// no more than a glance; they follow the layouts as TagLib 1.13 parses them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// An ID3v2 tag is refused above this size, read from its header.
constexpr uint64_t kMaxId3v2TagBytes = uint64_t(128) << 20;
// ...and above this many frames, embedded chapter frames included. Real tags
// hold tens, a podcast with chapters a few thousand.
constexpr int kMaxId3v2Frames = 10000;
// Chapter frames inside chapter frames: real files nest two or three deep.
constexpr int kMaxChapterDepth = 32;
// MP4 container atoms inside each other: real files reach about eight.
constexpr int kMaxMp4AtomDepth = 64;
// MP4 atoms that TagLib would make objects of; fragmented files have many.
constexpr int kMaxMp4Atoms = 250000;
// Chunks of a WAV or AIFF file: real files have about ten.
constexpr int kMaxRiffChunks = 4096;

// Random access to the bytes of a file or of a buffer.
class TagBytes {
public:
    virtual ~TagBytes() = default;
    virtual uint64_t size() const = 0;
    // Copies `count` bytes at `offset` to `out`; false when they are not all there.
    virtual bool read(uint64_t offset, void* out, size_t count) = 0;
};

// Why the file's tag structure is refused, "" when it may be read. Each
// check looks for what TagLib reads: the ID3v2 tag of an MP3 (before the
// first audio frame), the ID3 chunks of WAV and AIFF, the atoms of MP4.
std::string id3v2Refusal(TagBytes& bytes, uint64_t tagOffset);
std::string mp3Refusal(TagBytes& bytes);
std::string riffRefusal(TagBytes& bytes);  // WAV (RIFF, little-endian) and AIFF (FORM, big-endian)
std::string mp4Refusal(TagBytes& bytes);

// The guard for the file at `path`, chosen by the ending of its name as the
// tag reader chooses its parser (MP3, WAV, AIFF, MP4, FLAC; other kinds
// pass): "" when it may be read, or why not. A file
// that cannot be opened passes: the tag reader then says so itself.
std::string tagGuardRefusal(const std::string& path);
