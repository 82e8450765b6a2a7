#include "texture/texture_loader.h"

#include <GL/gl.h>

TextureLoader::TextureLoader() {
    SetAlphaMatch(1, 0, 0, 0);
    SetHighQualityTextures(1);
    SetMipMapping(0);
    SetTextureFilter(TexFilterNone);
}

TextureLoader::~TextureLoader() = default;

void TextureLoader::SetAlphaMatch(unsigned char flag, unsigned char red, unsigned char green,
                                  unsigned char blue) {
    alphaMatch = flag;
    if (flag != 1) return;  // matching off: the key colour keeps what it held
    alphaRed = red;
    alphaGreen = green;
    alphaBlue = blue;
}

void TextureLoader::SetHighQualityTextures(unsigned char flag) { highQuality = flag; }

void TextureLoader::SetMipMapping(unsigned char flag) { mipMapping = flag; }

void TextureLoader::SetTextureFilter(eglTexFilterType filter) { textureFilter = filter; }

void TextureLoader::FreeTexture(glTexture* texture) { glDeleteTextures(1, &texture->texID); }
