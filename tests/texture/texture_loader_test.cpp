#include "texture/texture_loader.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

void expectSettings(const TextureLoader& loader, int alphaMatch, int red, int green, int blue, int highQuality,
                    int mipMapping, int filter) {
    EXPECT_EQ(loader.alphaMatch, alphaMatch);
    EXPECT_EQ(loader.alphaRed, red);
    EXPECT_EQ(loader.alphaGreen, green);
    EXPECT_EQ(loader.alphaBlue, blue);
    EXPECT_EQ(loader.highQuality, highQuality);
    EXPECT_EQ(loader.mipMapping, mipMapping);
    EXPECT_EQ(loader.textureFilter, filter);
}

}  // namespace

TEST(TextureLoader, StartsWithAlphaMatchingOnHighQualityAndNoFiltering) {
    TextureLoader loader;
    expectSettings(loader, 1, 0, 0, 0, 1, 0, TexFilterNone);
}

TEST(TextureLoader, HoldsTheStartUpSettings) {
    // Deleted through a base pointer, as shutdown does.
    std::unique_ptr<TextureLoader> loader(new TextureLoader);
    loader->SetAlphaMatch(0, 0, 0, 0);
    loader->SetHighQualityTextures(1);
    loader->SetMipMapping(1);
    loader->SetTextureFilter(TexFilterTrilinear);
    expectSettings(*loader, 0, 0, 0, 0, 1, 1, TexFilterTrilinear);
}

TEST(TextureLoader, StoresTheKeyColourOnlyWhenMatchingIsExactlyOne) {
    TextureLoader loader;
    loader.SetAlphaMatch(1, 10, 20, 30);
    expectSettings(loader, 1, 10, 20, 30, 1, 0, 0);

    loader.SetAlphaMatch(0, 40, 50, 60);
    expectSettings(loader, 0, 10, 20, 30, 1, 0, 0);

    loader.SetAlphaMatch(2, 70, 80, 90);
    expectSettings(loader, 2, 10, 20, 30, 1, 0, 0);

    loader.SetAlphaMatch(1, 0, 0, 0);
    expectSettings(loader, 1, 0, 0, 0, 1, 0, 0);
}

TEST(TextureLoader, SettersStoreWhateverTheyAreGiven) {
    TextureLoader loader;
    loader.SetTextureFilter(static_cast<eglTexFilterType>(7));
    EXPECT_EQ(loader.textureFilter, 7);
    loader.SetHighQualityTextures(0);
    loader.SetMipMapping(200);
    expectSettings(loader, 1, 0, 0, 0, 0, 200, 7);
    loader.SetHighQualityTextures(255);
    EXPECT_EQ(loader.highQuality, 255);
}

TEST(TextureLoader, RecordIsSixWordsWithTheKindNumbersFixed) {
    EXPECT_EQ(sizeof(glTexture), 6 * sizeof(int32_t));
    EXPECT_EQ(TexKindJpeg, 2);
    EXPECT_EQ(TexKindTga, 4);
    EXPECT_EQ(TexKindWmf, 8);
    std::unique_ptr<glTexture[]> table(new glTexture[3]());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(table[i].texID, 0u);
}
