// The facts an album's orders need from its tags: year, album artist and
// album title, read with TagLib from one audio file after the tag guards
// have looked at it. Like embedded_cover.h: safe on any thread, meant for the
// tag helper process, never the frame thread.
#pragma once

#include <string>

#include "library/library_index.h"

// The tags of the audio file at `path`: the year (ID3v2 TDRC or TYER, Vorbis
// DATE, MP4 ©day, APE Year, ...; 0 when none or not a year), the album artist
// (else the track's artist) and the album title. A file that cannot be read
// gives empty tags and `failure` (path first); "" otherwise.
AlbumTags readAlbumTags(const std::string& path, std::string* failure);

// The first audio file lying directly in `folder` (listing order), or its
// first disc folder's when it has none: the file an album's tags are read
// from. "" when there is none.
std::string albumTagFile(const std::string& folder);
