// Which file names are music and which are pictures, by their endings alone.
// One list of audio endings serves both the album rules (a folder holding
// audio is an album) and the tag reader (which reader takes the file).
#pragma once

#include <string>

// The kinds of audio file, by the reader their tags need.
enum class AudioKind {
    None,      // not an audio file
    Mpeg,      // mp3, mp2: ID3v2
    Flac,      // flac
    Ogg,       // ogg, oga: Vorbis, FLAC or Opus inside
    Opus,      // opus
    Mp4,       // m4a, m4b, mp4
    Asf,       // wma, asf
    Wav,       // wav: ID3v2 in its id3 chunk
    Aiff,      // aif, aiff, aifc: ID3v2 in its ID3 chunk
    WavPack,   // wv: APEv2
    Musepack,  // mpc: APEv2
    Ape,       // ape: APEv2
    Untagged,  // aac (raw ADTS): music, but no tags to read a picture from
};

// The kind of the file a name or path ends in: its ending after the last dot
// of the file's name, in any letter case. None for anything else, and for a
// name that is nothing but a dot and an ending.
AudioKind audioKindOf(const std::string& name);
// Whether the name is that of an audio file: mp3, mp2, flac, ogg, oga, opus,
// m4a, m4b, mp4, aac, wma, asf, wav, aif, aiff, aifc, ape, wv, mpc.
bool isAudioName(const std::string& name);

// The ending of a path's file name after its last dot, in small letters; ""
// when the name has no dot.
std::string loweredEnding(const std::string& path);
