// Turns cover pictures into textures, one per call, nearest the scroll
// position first.
#pragma once

#include <cstdint>
#include <string>

struct CoverPicture;

// Looks at the albums at offsets 0, +1, -1, +2, -2, ... +(n-1), -(n-1) from
// the truncated `position` and deals with the first one that has a cover and
// has not been dealt with: its picture is decoded and uploaded as the album's
// texture, or, when the picture cannot be used, the album is marked so that it
// is never tried again and stays untextured. Returns true when it dealt with
// an album, false when none within the radius needed it. Needs the GL context.
//
// "Dealt with" is the album's loaded flag (setAlbumLoaded(idx, true)); it is
// set whether or not a texture came of it, so textures[idx].texID != 0 is what
// tells that the album has a texture. An unusable picture (empty, cut off, not
// a picture, a header claiming an enormous size, or one GL cannot build) costs
// one attempt and one line on standard error, never a retry on every frame.
bool loadClosestTexture(int n);

// Makes a new 2-D texture in *texID from the picture (nearest filtering, full
// mip-map chain) and leaves it bound. False, with *texID 0, when GL could not
// build it. Needs the GL context.
bool uploadCoverTexture(const CoverPicture& picture, uint32_t* texID);

// A new[]-allocated, NUL-terminated copy of `text`; the caller delete[]s it.
char* ToCString(std::string& text);
