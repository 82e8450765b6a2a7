// Pictures of FLAC in an Ogg container (.oga, made by `flac --ogg
// --picture=...`), read straight from the Ogg packets: its PICTURE metadata
// blocks, which TagLib's Ogg FLAC reader does not give, and the pictures of
// its comment block, which it does, but only after a packet lookup that
// grows with the square of the header packets (20,000 of them took 9.6 s).
// Safe on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct OggFlacCover {
    bool isOggFlac = false;      // the file's first logical stream is FLAC
    std::vector<uint8_t> bytes;  // the chosen picture as it was embedded; empty when none is usable
    std::string failure;         // when empty bytes: why a picture was refused or the stream is damaged
};

// The front cover among the PICTURE blocks of the Ogg FLAC stream at `path`,
// else the first picture of another type; without any, the same among the
// METADATA_BLOCK_PICTURE (and older COVERART) comments. A picture of more
// than `maxPicture` bytes is refused before it is copied, and the next one
// is taken. Reading is
// bounded: at most one metadata block (16 MiB by the format) is held at a
// time, and the header packets end at the last metadata block, the first audio
// packet, or after `maxHeaderBytes` of pages.
OggFlacCover readOggFlacCover(const std::string& path, size_t maxPicture,
                              size_t maxHeaderBytes = size_t(128) << 20);
