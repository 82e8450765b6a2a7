// Files built to hurt the cover readers, for the tests and the benchmarks:
// audio tags nested or flooded past what TagLib 1.13 survives, and pictures
// that cost their decoders far more than their size. Each is made from raw
// bytes, with the ordinary counterparts they are measured against.
#pragma once

#include <cstdint>
#include <string>
#include <vector>


// ---------------------------------------------------------------- ID3v2
// One frame of an ID3v2.`major` tag (3 or 4): its ID, the size (synchsafe in
// 2.4), the two flag bytes and the body.
std::string id3Frame(int major, const std::string& id, const std::string& body);
// A whole tag: the 10-byte header (flags 0) and the frames.
std::string id3Tag(int major, const std::string& frames);
// A header alone claiming a tag of `size` bytes.
std::string id3HeaderClaiming(uint32_t size);
// An APIC frame holding `picture` as the front cover.
std::string id3FrontCover(int major, const std::vector<uint8_t>& picture);
// CTOC (toc) or CHAP frames nested `depth` deep in a 2.4 tag, the innermost
// holding a title: 16 bytes a level.
std::string nestedChapterTag(int depth, bool toc);
// A 2.4 tag of `frames` tiny PRIV frames, 11 bytes each.
std::string frameFloodTag(int frames);
// `count` silent MPEG-1 layer III frames (128 kbit/s, 44.1 kHz), 417 bytes each.
std::string silentMpegFrames(int count);
// A WAV (`id3 ` chunk) or AIFF (`ID3 ` chunk) holding `tag` beside a little sound.
std::string wavWithTag(const std::string& tag);
std::string aiffWithTag(const std::string& tag);
// A WAV of `chunks` empty chunks.
std::string wavOfChunks(int chunks);

// ------------------------------------------------------------ Ogg FLAC
// One Ogg page of the stream 0x07654321 holding one whole packet (under
// 255 * 255 bytes), its checksum filled in.
std::string oggPage(const std::string& packet, unsigned char flags, uint64_t granule, uint32_t sequence);
// FLAC in Ogg, each packet on a page of its own: the stream's first packet
// (with STREAMINFO), `padding` PADDING metadata blocks of 4 bytes, a comment
// block holding `picture` (when not empty) as a front cover in a
// METADATA_BLOCK_PICTURE comment, and one audio packet. TagLib 1.13 looks
// each packet up from the stream's start: 20,000 header packets took it 9.6 s.
std::string oggFlacWithPadding(int padding, const std::vector<uint8_t>& picture);

// ------------------------------------------------------------------ MP4
// An M4A whose moov atoms are nested `depth` deep: 8 bytes a level.
std::string nestedAtomsM4a(int depth);
// An M4A of `atoms` empty free atoms after its ftyp.
std::string manyAtomsM4a(int atoms);

// -------------------------------------------------------------- pictures
// The PNG `png` with `chunks` compressed text chunks put before its image
// data, each inflating to `inflated` bytes.
std::vector<uint8_t> textChunkBombPng(std::vector<uint8_t> png, int chunks, size_t inflated);
// A grey arithmetic-coded progressive JPEG of `width` x `height` made of a DC
// scan, an AC scan and `refinements` AC refinement scans with no data: a few
// hundred bytes that make the decoder walk every block once per scan.
std::vector<uint8_t> arithmeticRefinementJpeg(int width, int height, int refinements);
// A lossless WebP header claiming `width` x `height`, and no picture data.
std::vector<uint8_t> losslessWebpClaiming(int width, int height);
// A 24-bit BMP header claiming `width` x `height`, and no pixels.
std::vector<uint8_t> bmpHeaderClaiming(int width, int height);
