// One GL texture record, kept per album in the `textures` table. The cover
// streaming is its only writer: texID is the GL texture name (0: none yet),
// width and height its size, pixelFormat and bitsPerPixel those of its texels
// (0 while there is none). The strip binds texID and shutdown frees it; kind
// is never written (TexKindOther).
#pragma once

#include <cstdint>

enum eglTexType : int32_t {
    TexKindOther = 0,
    TexKindBmp = 1,
    TexKindJpeg = 2,
    TexKindTga = 4,
    TexKindGif = 5,
    TexKindIco = 6,
    TexKindEmf = 7,
    TexKindWmf = 8,
};

enum eglTexFilterType : int32_t {
    TexFilterNone = 0,
    TexFilterBilinear = 1,
    TexFilterTrilinear = 2,
};

// A plain record of six 32-bit words with no constructor: the table is made
// with value-initialising new[] so every field starts at 0.
struct glTexture {
    uint32_t texID;
    eglTexType kind;       // kept for the design: never written, never read
    int32_t width;
    int32_t height;
    int32_t pixelFormat;   // GL_RGB or GL_RGBA; kept for the design: written, read by nothing
    int32_t bitsPerPixel;  // 24 or 32; kept for the design: written, read by nothing
};
