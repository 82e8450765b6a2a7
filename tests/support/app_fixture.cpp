#include "support/app_fixture.h"

#include <cstdio>
#include <filesystem>

#include "app/app_state.h"
#include "app/opening.h"
#include "library/albums_loader.h"

void resetAppState() {
    delete albums;
    albums = nullptr;
    textures = nullptr;
    texLoader = nullptr;
    font = nullptr;
    done = 0;
    position = 0;
    current = 0;
    playing = 0;
    playTime = 0;
    heldKey = 0;
    keyDownTime = 0;
    now = 0;
    lastRepeatCheck = 0;
    lastKey = 0;
    openingTick = 0;
}

std::string makeMusicFolder(const TempDir& dir, int count,
                            const std::function<void(const std::string& folder, int i)>& fill,
                            const std::string& folderName) {
    std::string music = dir.makeFolder(folderName);
    char name[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "/album %05d", i);
        std::filesystem::create_directory(music + name);
        if (fill) fill(music + name, i);
    }
    return music;
}

void useGeneratedLibrary(const TempDir& dir, int count, const std::string& player) {
    resetAppState();
    albums = new AlbumsLoader(makeMusicFolder(dir, count), player);
}
