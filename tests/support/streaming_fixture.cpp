#include "support/streaming_fixture.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

#include "app/app_state.h"
#include "app/pacing.h"
#include "library/albums_loader.h"
#include "texture/cover_picture.h"
#include "texture/cover_requests.h"
#include "texture/gl_texture.h"
#include "texture/texture_budget.h"

StreamingFixture::StreamingFixture(const std::string& folder, size_t budget) {
    albums = new AlbumsLoader(folder, "");
    textures = new glTexture[albums->getAlbumsCount()]();
    position = 0;
    streaming = std::make_unique<CoverStreaming>(*albums, textures, budget, kIdleTextureRadius, 1);
    coverStreaming = streaming.get();
}

StreamingFixture::~StreamingFixture() {
    coverStreaming = nullptr;
    streaming.reset();
    for (int i = 0; i < count(); ++i)
        if (textures[i].texID != 0) glDeleteTextures(1, &textures[i].texID);
    delete[] textures;
    delete albums;
    textures = nullptr;
    albums = nullptr;
    position = 0;
}

int StreamingFixture::count() const { return albums->getAlbumsCount(); }

std::vector<int> StreamingFixture::stepOnce(float at, int n, int coverHeight) {
    position = at;
    std::vector<uint32_t> before;
    for (int i = 0; i < count(); ++i) before.push_back(textures[i].texID);
    streaming->step(at, n, coverHeight);
    std::vector<int> changed;
    size_t bytes = 0;
    for (int i = 0; i < count(); ++i)
        if (textures[i].texID != before[size_t(i)] && textures[i].texID != 0) {
            changed.push_back(i);
            bytes += CoverTexels::coverTextureBytes(textures[i].width);
        }
    if (changed.size() > 1) {
        EXPECT_LE(bytes, kStepUploadBudget.bytes) << "the uploads of one step";
    }
    // A step uploads what it takes nearest first: in that order.
    std::stable_sort(changed.begin(), changed.end(),
                     [&](int a, int b) { return walkRank(a - int(at)) < walkRank(b - int(at)); });
    return changed;
}

std::vector<int> StreamingFixture::settle(float at, int n, int coverHeight) {
    std::vector<int> order;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        const bool idleBefore = streaming->loaderIdle();
        std::vector<int> changed = stepOnce(at, n, coverHeight);
        order.insert(order.end(), changed.begin(), changed.end());
        if (idleBefore && changed.empty() && streaming->loaderIdle()) return order;
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the loader never settled";
            return order;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}
