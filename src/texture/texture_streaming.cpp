#include "texture/texture_streaming.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/app_state.h"
#include "library/albums_loader.h"
#include "texture/cover_picture.h"
#include "texture/gl_texture.h"

namespace {

bool needsTexture(int idx, int count) {
    // In this order: the cover search never starts for an index outside the library.
    return idx >= 0 && idx < count && albums->albumHasCover(idx) && !albums->getAlbumLoaded(idx);
}

// Decodes album idx's cover and uploads it into its record; the album is
// marked as dealt with whatever the outcome.
void loadCover(int idx) {
    std::string path = albums->getAlbumCover(idx);
    CoverPicture picture;
    {
        std::unique_ptr<char[]> cpath(ToCString(path));
        picture = decodeCoverPicture(cpath.get());
    }
    if (!picture.usable())
        std::fprintf(stderr, "vellora: cannot show the cover %s: %s\n", path.c_str(), picture.failure.c_str());
    else if (!uploadCoverTexture(picture, &textures[idx].texID))
        std::fprintf(stderr, "vellora: cannot make a texture of the cover %s\n", path.c_str());
    albums->setAlbumLoaded(idx, true);
}

}  // namespace

bool loadClosestTexture(int n) {
    const int base = int(position);
    const int count = albums->getAlbumsCount();
    for (int k = 0; k < n; k = k > 0 ? -k : 1 - k) {
        if (!needsTexture(base + k, count)) continue;
        loadCover(base + k);
        return true;
    }
    return false;
}

bool uploadCoverTexture(const CoverPicture& picture, uint32_t* texID) {
    *texID = 0;
    if (!picture.usable() || picture.pixels.empty()) return false;
    glGenTextures(1, texID);
    if (*texID == 0) return false;
    glBindTexture(GL_TEXTURE_2D, *texID);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST);

    // The rows are padded to 4 bytes: make sure GL unpacks them that way.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    GLint built = gluBuild2DMipmaps(GL_TEXTURE_2D, 3, picture.width, picture.height, GL_RGB,
                                    GL_UNSIGNED_BYTE, picture.pixels.data());
    glPopClientAttrib();

    if (built == 0) return true;
    glDeleteTextures(1, texID);
    *texID = 0;
    return false;
}

char* ToCString(std::string& text) {
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}
