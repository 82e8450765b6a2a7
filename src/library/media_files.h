// Which file names are music and which are pictures, by their endings alone.
#pragma once

#include <string>

// Audio files the browser knows: mp3, flac, ogg, oga, opus, m4a, m4b, mp4, aac,
// wma, wav, ape, wv, mpc, aif, aiff, any letter case, after a dot.
bool isAudioName(const std::string& name);

// The ending of a path's file name after its last dot, in small letters; ""
// when the name has no dot.
std::string loweredEnding(const std::string& path);
