// Time of one cover texture load: loadClosestTexture(1) on an album whose
// picture has no texture yet, and its two halves timed alone: the decode
// (decodeCoverPicture) and the upload (uploadCoverTexture, mip-maps
// included). Each GL timing ends with glFinish so that the work is counted
// where it is queued. Medians of several runs; prints a table, asserts nothing.
// Needs an X display with GL: xvfb-run -a -s "-screen 0 1024x768x24" texture_bench

#include <GL/gl.h>
#include <SDL.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/window.h"
#include "library/albums_loader.h"
#include "pictures/picture_writer.h"
#include "texture/cover_picture.h"
#include "texture/gl_texture.h"
#include "texture/texture_streaming.h"

namespace fs = std::filesystem;

namespace {

struct Subject {
    std::string label;
    std::string file;  // below the music folder
    int size;
    bool png;
};

double milliseconds(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Forgets album i's texture so that the next call loads it again.
void unload(int i) {
    if (textures[i].texID != 0) glDeleteTextures(1, &textures[i].texID);
    textures[i].texID = 0;
    albums->setAlbumLoaded(i, false);
}

bool writeSubject(const std::string& path, const Subject& subject) {
    std::string error;
    RgbPicture picture = makeCoverPicture(subject.size, uint32_t(subject.size));
    bool ok = subject.png ? writePng(path, picture, PngKind::Rgb, 8, 255, &error)
                          : writeJpeg(path, picture, 90, false, &error);
    if (!ok) std::fprintf(stderr, "texture_bench: %s\n", error.c_str());
    return ok;
}

}  // namespace

int main() {
    const std::vector<Subject> subjects = {
        {"JPEG 300 x 300", "a0/cover.jpg", 300, false},    {"JPEG 600 x 600", "a1/cover.jpg", 600, false},
        {"JPEG 1000 x 1000", "a2/cover.jpg", 1000, false}, {"JPEG 1500 x 1500", "a3/cover.jpg", 1500, false},
        {"JPEG 3000 x 3000", "a4/cover.jpg", 3000, false}, {"PNG 1000 x 1000", "a5/cover.png", 1000, true},
    };
    const int runs = 7;

    char pattern[] = "/tmp/vellora-texture-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("texture_bench: mkdtemp");
        return 1;
    }
    const std::string folder = pattern;
    for (const Subject& subject : subjects) {
        fs::create_directories(fs::path(folder + "/" + subject.file).parent_path());
        if (!writeSubject(folder + "/" + subject.file, subject)) return 1;
    }

    if (SDL_Init(SDL_INIT_VIDEO) < 0 || !SDL_SetVideoMode(600, 600, 0, SDL_OPENGL)) {
        std::fprintf(stderr, "texture_bench: no GL window: %s\n", SDL_GetError());
        return 1;
    }
    init_gl();
    albums = new AlbumsLoader(folder, "");
    textures = new glTexture[albums->getAlbumsCount()]();

    std::printf("GL renderer: %s; %d runs each, median milliseconds\n\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)), runs);
    std::printf("%-18s %9s %10s %10s %22s\n", "picture", "file KB", "decode", "upload", "loadClosestTexture(1)");
    for (int i = 0; i < int(subjects.size()); ++i) {
        const std::string path = folder + "/" + subjects[size_t(i)].file;
        std::vector<double> decode, upload, whole;
        for (int run = 0; run < runs; ++run) {
            CoverPicture picture;
            decode.push_back(milliseconds([&] { picture = decodeCoverPicture(path.c_str()); }));
            if (!picture.usable()) {
                std::fprintf(stderr, "texture_bench: %s: %s\n", path.c_str(), picture.failure.c_str());
                return 1;
            }
            uint32_t name = 0;
            upload.push_back(milliseconds([&] {
                uploadCoverTexture(picture, &name);
                glFinish();
            }));
            glDeleteTextures(1, &name);

            unload(i);
            position = float(i);
            whole.push_back(milliseconds([&] {
                loadClosestTexture(1);
                glFinish();
            }));
        }
        std::printf("%-18s %9.0f %10.1f %10.1f %22.1f\n", subjects[size_t(i)].label.c_str(),
                    double(fs::file_size(path)) / 1024.0, median(decode), median(upload), median(whole));
    }

    for (int i = 0; i < albums->getAlbumsCount(); ++i) unload(i);
    delete[] textures;
    delete albums;
    textures = nullptr;
    albums = nullptr;
    SDL_Quit();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
