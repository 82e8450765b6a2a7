#include "texture/texture_loader.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "support/gl_window.h"

TEST(TextureLoaderGl, FreeTextureDeletesTheTextureAndLeavesTheRecordAlone) {
    GlWindow window;
    const unsigned char texel[4] = {255, 0, 0, 0};
    glTexture record{};
    glGenTextures(1, &record.texID);
    ASSERT_NE(record.texID, 0u);
    glBindTexture(GL_TEXTURE_2D, record.texID);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, texel);
    glBindTexture(GL_TEXTURE_2D, 0);
    ASSERT_TRUE(glIsTexture(record.texID));
    const GLuint name = record.texID;

    TextureLoader loader;
    loader.FreeTexture(&record);
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(record.texID, name) << "the record still holds the deleted name";

    glTexture empty{};
    loader.FreeTexture(&empty);
    EXPECT_EQ(empty.texID, 0u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    // Deleting the loader deletes no texture.
    GLuint kept = 0;
    glGenTextures(1, &kept);
    glBindTexture(GL_TEXTURE_2D, kept);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, texel);
    delete new TextureLoader;
    EXPECT_TRUE(glIsTexture(kept));
    glDeleteTextures(1, &kept);
}
