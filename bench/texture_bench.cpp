// One cover's cost on its way to the screen, split into its steps: reading the
// file, decoding and scaling it to the texture size the 600 x 600 window needs
// (512), building the mip levels, and the upload (glTexImage2D per level,
// ended with glFinish so the work is counted where it is queued). The first
// three run on the loader thread in the program, only the upload on the frame
// thread. Medians of several runs; prints a table, asserts nothing. A second
// table gives the thumbnail cache's part on the loader: a first start's
// decode through the empty cache (what it adds before the cover is handed
// on), the thumbnail's writing afterwards (scaling, PNG encoding, a temporary
// file renamed), and a second start's decode from the thumbnail.
// Needs an X display with GL: xvfb-run -a -s "-screen 0 1024x768x24" texture_bench
//
// `texture_bench --photos FOLDER` instead writes a music folder of albums whose
// covers are large photographs' stand-ins (1 to 18 megapixels, odd sizes,
// baseline and progressive JPEG, 8- and 16-bit PNG) for browser_bench.py, and
// also prints the decode cost of each.

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

#include "app/window.h"
#include "pictures/picture_writer.h"
#include "platform/platform.h"
#include "render/projection.h"
#include "texture/box_scaler.h"
#include "texture/cover_picture.h"
#include "texture/texture_budget.h"
#include "texture/texture_streaming.h"
#include "texture/thumbnail_cache.h"

namespace fs = std::filesystem;

namespace {

struct Subject {
    std::string label;
    std::string file;
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

bool writeSubject(const std::string& path, const Subject& subject) {
    std::string error;
    RgbPicture picture = makeCoverPicture(subject.size, uint32_t(subject.size));
    bool ok = subject.png ? writePng(path, picture, PngKind::Rgb, 8, 255, &error)
                          : writeJpeg(path, picture, 90, false, &error);
    if (!ok) std::fprintf(stderr, "texture_bench: %s\n", error.c_str());
    return ok;
}

// Sizes and kinds of the stand-in photographs, cycled over the albums.
struct Photo {
    int width, height;
    const char* kind;  // "jpg", "progressive", "png", "png16"
};
const Photo kPhotos[] = {{1201, 867, "jpg"},        {2001, 1333, "progressive"}, {1999, 1999, "png"},
                         {3001, 2003, "jpg"},       {2449, 1633, "png16"},       {4001, 3001, "progressive"},
                         {4899, 3673, "jpg"},       {3000, 3000, "png"},         {5201, 3457, "progressive"},
                         {3673, 4899, "png16"}};

int writePhotoLibrary(const std::string& folder, int albums) {
    for (int i = 0; i < albums; ++i) {
        const Photo& photo = kPhotos[i % (sizeof kPhotos / sizeof kPhotos[0])];
        char name[64];
        std::snprintf(name, sizeof name, "/Photo %03d - %dx%d %s", i, photo.width, photo.height, photo.kind);
        const std::string album = folder + name;
        fs::create_directories(album);
        std::FILE* track = std::fopen((album + "/01 - Track.mp3").c_str(), "wb");
        if (track) std::fclose(track);
        RgbPicture picture = makeCoverPicture(std::max(photo.width, photo.height), uint32_t(i));
        RgbPicture cropped = solidPicture(photo.width, photo.height, 0, 0, 0);  // the top-left corner of it
        for (int y = 0; y < photo.height; ++y)
            std::copy(picture.rgb.begin() + long(size_t(y) * std::max(photo.width, photo.height) * 3),
                      picture.rgb.begin() + long(size_t(y) * std::max(photo.width, photo.height) * 3 + size_t(photo.width) * 3),
                      cropped.rgb.begin() + long(size_t(y) * photo.width * 3));
        const std::string kind = photo.kind;
        std::string error;
        bool ok = kind == "png" || kind == "png16"
                      ? writePng(album + "/cover.png", cropped, PngKind::Rgb, kind == "png16" ? 16 : 8, 255, &error)
                      : writeJpeg(album + "/cover.jpg", cropped, 88, false, &error, kind == "progressive");
        if (!ok) {
            std::fprintf(stderr, "texture_bench: %s\n", error.c_str());
            return 1;
        }
        const std::string file = album + (kind.rfind("png", 0) == 0 ? "/cover.png" : "/cover.jpg");
        CoverTexels texels;
        const double ms = milliseconds([&] { texels = decodeCoverFile(file, middleCoverPixelHeight(600, 600)); });
        std::printf("%-40s %8.0f KB  read+decode+scale+mips %7.1f ms%s\n", name + 1, double(fs::file_size(file)) / 1024,
                    ms, texels.usable() ? "" : ("  REFUSED: " + texels.failure).c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--photos") return writePhotoLibrary(argv[2], 20);

    std::vector<Subject> subjects;
    for (int size : {300, 1000, 3000}) {
        subjects.push_back({"JPEG " + std::to_string(size), "cover" + std::to_string(size) + ".jpg", size, false});
        subjects.push_back({"PNG " + std::to_string(size), "cover" + std::to_string(size) + ".png", size, true});
    }
    const int runs = 7;
    const int coverHeight = middleCoverPixelHeight(600, 600);

    char pattern[] = "/tmp/vellora-texture-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("texture_bench: mkdtemp");
        return 1;
    }
    const std::string folder = pattern;
    for (const Subject& subject : subjects)
        if (!writeSubject(folder + "/" + subject.file, subject)) return 1;

    if (SDL_Init(SDL_INIT_VIDEO) < 0 || !SDL_SetVideoMode(600, 600, 0, SDL_OPENGL)) {
        std::fprintf(stderr, "texture_bench: no GL window: %s\n", SDL_GetError());
        return 1;
    }
    init_gl();

    std::printf("GL renderer: %s; %d runs each, median milliseconds; texture edge %d\n\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)), runs,
                coverTextureEdge(coverHeight, 3000, 3000));
    std::printf("%-12s %8s %8s %14s %8s %8s %12s\n", "picture", "file KB", "read", "decode+scale", "mips",
                "upload", "frame thread");
    for (const Subject& subject : subjects) {
        const std::string path = folder + "/" + subject.file;
        std::vector<double> read, decode, mips, upload;
        for (int run = 0; run < runs; ++run) {
            std::vector<uint8_t> bytes;
            std::string error;
            read.push_back(milliseconds([&] { platform::readRegularFile(path, kMaxCoverFileBytes, &bytes, &error); }));
            CoverTexels whole;
            const double all = milliseconds([&] { whole = decodeCoverBytes(bytes.data(), bytes.size(), coverHeight); });
            if (!whole.usable()) {
                std::fprintf(stderr, "texture_bench: %s: %s\n", path.c_str(), whole.failure.c_str());
                return 1;
            }
            // The mip levels alone, rebuilt from level 0 as the decoder does.
            std::vector<std::vector<uint8_t>> levels{whole.levels[0]};
            const double chain = milliseconds([&] {
                for (int edge = whole.edge; edge > 1; edge /= 2) levels.push_back(halveSquare(levels.back(), edge));
            });
            mips.push_back(chain);
            decode.push_back(all - chain);
            uint32_t name = 0;
            upload.push_back(milliseconds([&] {
                uploadCoverTexels(whole, &name);
                glFinish();
            }));
            glDeleteTextures(1, &name);
        }
        std::printf("%-12s %8.0f %8.2f %14.1f %8.1f %8.1f %12.1f\n", subject.label.c_str(),
                    double(fs::file_size(path)) / 1024.0, median(read), median(decode), median(mips), median(upload),
                    median(upload));
    }

    // What one streaming step may upload: four 512-texel covers, or one 1024-texel cover.
    {
        const std::string path = folder + "/cover3000.jpg";
        const CoverTexels four = decodeCoverFile(path, coverHeight);
        const CoverTexels large = decodeCoverFile(path, middleCoverPixelHeight(1600, 1600));
        std::vector<double> fourTimes, largeTimes;
        for (int run = 0; run < runs; ++run) {
            uint32_t names[4] = {};
            fourTimes.push_back(milliseconds([&] {
                for (uint32_t& name : names) uploadCoverTexels(four, &name);
                glFinish();
            }));
            glDeleteTextures(4, names);
            largeTimes.push_back(milliseconds([&] {
                uploadCoverTexels(large, &names[0]);
                glFinish();
            }));
            glDeleteTextures(1, names);
        }
        std::printf("\nOne streaming step's uploads (budget %zu KiB of textures, %u ms): four %d-texel covers "
                    "(%zu KiB) %.1f ms; one %d-texel cover (%zu KiB) %.1f ms\n",
                    kStepUploadBudget.bytes >> 10, kStepUploadBudget.ticks, four.edge, 4 * four.textureBytes() >> 10,
                    median(fourTimes), large.edge, large.textureBytes() >> 10, median(largeTimes));
    }

    // The thumbnail cache on the loader, in a cache folder of its own.
    ThumbnailCache cache(folder + "/cache");
    std::printf("\nThe thumbnail cache on the loader thread (%d runs each, median milliseconds; %d-px thumbnails)\n\n",
                runs, thumbnailSizeFor(coverTextureEdge(coverHeight, 3000, 3000)).side);
    std::printf("%-12s %10s %14s %12s %10s %12s %14s\n", "picture", "decode", "through cache", "added",
                "write", "thumb KB", "from thumb");
    for (const Subject& subject : subjects) {
        const std::string path = folder + "/" + subject.file;
        std::vector<double> plain, miss, write, hit;
        double kilobytes = 0;
        for (int run = 0; run < runs; ++run) {
            fs::remove_all(folder + "/cache");
            plain.push_back(milliseconds([&] { decodeCoverFile(path, coverHeight); }));
            PendingThumbnail pending;
            miss.push_back(milliseconds([&] { cache.decodeCoverFile(path, coverHeight, nullptr, &pending); }));
            if (!pending.wanted) {
                std::fprintf(stderr, "texture_bench: no thumbnail to write for %s\n", path.c_str());
                return 1;
            }
            write.push_back(milliseconds([&] { cache.write(pending); }));
            const std::string written = folder + "/cache/" + pending.size->folder + "/" + pending.name;
            std::error_code missing;
            kilobytes = double(fs::file_size(written, missing)) / 1024.0;
            if (missing) {
                std::fprintf(stderr, "texture_bench: the thumbnail %s was not written\n", written.c_str());
                return 1;
            }
            PendingThumbnail none;
            hit.push_back(milliseconds([&] { cache.decodeCoverFile(path, coverHeight, nullptr, &none); }));
            if (none.wanted) {
                std::fprintf(stderr, "texture_bench: the thumbnail of %s was not used\n", path.c_str());
                return 1;
            }
        }
        std::printf("%-12s %10.1f %14.1f %12.1f %10.1f %12.0f %14.1f\n", subject.label.c_str(), median(plain),
                    median(miss), median(miss) - median(plain), median(write), kilobytes, median(hit));
    }

    SDL_Quit();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
