// Writes the music folders the browser benchmark measures on that the demo
// library generator does not make:
//   bench_library hostile KIND FOLDER   an ordinary album, one holding a hostile
//                                       file of KIND, another ordinary album
//   bench_library embedded N PX FOLDER  N albums whose covers are only inside
//                                       their MP3 files (ID3v2 APIC, PX-pixel JPEG)
//   bench_library kinds                 lists the hostile kinds
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pictures/hostile_files.h"
#include "pictures/picture_writer.h"

namespace fs = std::filesystem;

namespace {

void write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

std::string text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string pngOf(const RgbPicture& picture, const fs::path& scratch) {
    writePng(scratch.string(), picture, PngKind::Rgb);
    std::ifstream in(scratch, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    fs::remove(scratch);
    return bytes;
}

struct Kind {
    const char* name;
    const char* file;  // inside the hostile album
};

// Files found to crash, stall or bloat the browser before the tag helper and
// the decode budgets, at the sizes they were found at.
const Kind kKinds[] = {
    {"nested-ctoc", "01 Track.mp3"},   // CTOC frames 17,000 deep, 280 KB
    {"nested-atoms", "01 Track.m4a"},  // moov atoms 53,000 deep, 420 KB
    {"tag-flood", "01 Track.mp3"},     // a 33 MB tag of tiny frames
    {"wav-tag", "01 Track.wav"},       // a 64 MiB tag in the id3 chunk
    {"small-atoms", "01 Track.m4a"},   // 10 MB of small atoms
    {"png-text", "cover.png"},         // 1,000 compressed text chunks, 0.9 MB
    {"png-text-big", "cover.png"},     // 8,000 of them, 7.7 MB
    {"jpeg-arithmetic", "cover.jpg"},  // 34 arithmetic scans over 50 megapixels
    {"webp-header", "cover.webp"},     // 42 bytes claiming 50 megapixels, lossless
    // A tag the stand-in helper of the tests (tests/hostile-tag-helper) spins on for
    // ever: what any file that takes long costs, up to the deadline.
    {"helper-spin", "01 Track.mp3"},
};

std::string hostileBytes(const std::string& kind, const fs::path& scratch) {
    const std::string mpeg = silentMpegFrames(100);
    if (kind == "nested-ctoc") return nestedChapterTag(17000, true) + mpeg;
    if (kind == "nested-atoms") return nestedAtomsM4a(53000);
    if (kind == "tag-flood") return frameFloodTag(33000000 / 11) + mpeg;
    if (kind == "wav-tag") return wavWithTag(frameFloodTag((64 << 20) / 11));
    if (kind == "small-atoms") return manyAtomsM4a(10000000 / 8);
    const std::string png = pngOf(makeCoverPicture(600, 9), scratch);
    if (kind == "png-text") return text(textChunkBombPng(std::vector<uint8_t>(png.begin(), png.end()), 1000, 1 << 20));
    if (kind == "png-text-big")
        return text(textChunkBombPng(std::vector<uint8_t>(png.begin(), png.end()), 8000, 1 << 20));
    if (kind == "jpeg-arithmetic") return text(arithmeticRefinementJpeg(16383, 3051, 32));
    if (kind == "webp-header") return text(losslessWebpClaiming(16383, 3051));
    if (kind == "helper-spin") return "spin";
    return "";
}

int usage() {
    std::fprintf(stderr, "usage: bench_library hostile KIND FOLDER | embedded N PX FOLDER | kinds\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "kinds") {
        for (const Kind& kind : kKinds) std::printf("%s\n", kind.name);
        return 0;
    }
    if (args.size() == 3 && args[0] == "hostile") {
        const fs::path folder = args[2];
        for (const Kind& kind : kKinds) {
            if (args[1] != kind.name) continue;
            for (const char* album : {"1 ordinary", "3 ordinary"})
                write(folder / album / "cover.jpg", text(encodeJpeg(makeCoverPicture(600, album[0]), 88)));
            write(folder / ("2 " + args[1]) / kind.file, hostileBytes(args[1], folder / "scratch.png"));
            return 0;
        }
        return usage();
    }
    if (args.size() == 4 && args[0] == "embedded") {
        const int albums = std::atoi(args[1].c_str()), size = std::atoi(args[2].c_str());
        const fs::path folder = args[3];
        for (int i = 0; i < albums; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "album %05d", i);
            const std::vector<uint8_t> jpeg = encodeJpeg(makeCoverPicture(size, uint32_t(i + 1)), 88);
            const std::string tag = id3Tag(3, id3FrontCover(3, jpeg));
            for (int track = 1; track <= 3; ++track)
                write(folder / name / ("0" + std::to_string(track) + " Track.mp3"), tag + silentMpegFrames(40));
        }
        return 0;
    }
    return usage();
}
