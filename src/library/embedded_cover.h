// Covers kept inside audio files: ID3v2 APIC frames (MP3, AIFF, WAV), FLAC
// PICTURE blocks (FLAC, and Ogg FLAC in .oga/.ogg), MP4 "covr" atoms (M4A,
// MP4, M4B), METADATA_BLOCK_PICTURE comments (Ogg Vorbis, Opus, Ogg FLAC),
// APEv2 "Cover Art (...)" items (WavPack, Musepack, Monkey's Audio) and ASF
// WM/Picture attributes (WMA). A pure function of the files, safe on any
// thread; meant for the cover loader, never the frame thread, because it opens
// and parses audio files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A bigger embedded picture is refused before it is copied, and the next
// picture of the file is taken instead: a tag may hold big booklet scans beside
// a small front cover. (Whole tags are held to the limits of
// library/tag_guards.h before they are read.)
constexpr size_t kMaxEmbeddedPictureBytes = size_t(32) << 20;

// What a refused picture's reason says: "its embedded picture has N bytes,
// more than the 32 MiB allowed for a picture".
std::string refusedPictureText(size_t bytes, size_t limit = kMaxEmbeddedPictureBytes);

// The bytes of the first embedded picture found in the audio files lying
// directly in `folder`, taken in name order; within a file the front cover
// type is preferred over the first picture of another type, and a picture
// beyond kMaxEmbeddedPictureBytes gives way to the next one. The bytes are the
// picture file as it was embedded (JPEG, PNG, ...), unchecked: decode them with
// the usual limits. Empty when no audio file holds a usable picture; then
// `failure` (when given) says why if a file could not be read or its picture
// was refused, and is "" when there simply is none. `audioFile` (when given)
// names the file the picture came from, or the file `failure` is about, whose
// path then begins the failure; "" when there is neither. Only regular files
// are opened, so an audio-named FIFO never blocks the caller.
std::vector<uint8_t> findEmbeddedCover(const std::string& folder, std::string* failure,
                                       std::string* audioFile = nullptr);

// The same for one audio file, chosen by the ending of its name.
std::vector<uint8_t> readEmbeddedCover(const std::string& path, std::string* failure);

// findEmbeddedCover with each audio file read by `read` instead of
// readEmbeddedCover: the cover loader reads them in a helper process.
using EmbeddedCoverReader = std::function<std::vector<uint8_t>(const std::string& path, std::string* failure)>;
std::vector<uint8_t> findEmbeddedCover(const std::string& folder, std::string* failure, std::string* audioFile,
                                       const EmbeddedCoverReader& read);
