// Holds the texture settings that start-up gives and releases a record's
// texture at shutdown. Owns no GL object and no record.
#pragma once

#include "texture/gl_texture.h"

class TextureLoader {
public:
    // Defaults: alpha matching on with key black, high quality on,
    // mip-mapping off, TexFilterNone.
    TextureLoader();
    virtual ~TextureLoader();  // deletes no texture

    // Stores the flag; the key colour only when the flag is exactly 1.
    void SetAlphaMatch(unsigned char flag, unsigned char red, unsigned char green,
                       unsigned char blue);
    void SetHighQualityTextures(unsigned char flag);
    void SetMipMapping(unsigned char flag);
    void SetTextureFilter(eglTexFilterType filter);  // stored unchecked

    // Deletes the texture the record names; the record is left as it is.
    // Needs the GL context.
    void FreeTexture(glTexture* texture);

    // The settings, kept for the design: start-up stores them and nothing
    // reads them, since covers are uploaded with fixed parameters of their own.
    unsigned char alphaMatch = 0;
    unsigned char highQuality = 0;
    unsigned char mipMapping = 0;
    eglTexFilterType textureFilter = TexFilterNone;
    unsigned char alphaRed = 0;
    unsigned char alphaGreen = 0;
    unsigned char alphaBlue = 0;
};
