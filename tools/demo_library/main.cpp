// vellora-demo-library: makes a music folder of made-up albums to browse, try
// and benchmark: one folder per album, a colourful cover in each (JPEG, PNG or
// BMP), a few albums without a picture, a few awkward names (spaces, accents,
// other scripts, percent signs, quotes), and some empty track files.
//
// It writes only into a missing or empty folder, or one it made before (known
// by its marker file, which lists the albums it made there; those are
// replaced). --force writes into any folder and removes nothing of its own.

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "pictures/picture_writer.h"

namespace fs = std::filesystem;

namespace {

const char* const kMarkerName = ".vellora-demo-library";

enum class Format { Mixed, Jpeg, Png, Bmp };

struct Options {
    std::string folder;
    long albums = 60;
    int coverSize = 300;
    Format format = Format::Mixed;
    bool covers = true;
    bool force = false;
    uint32_t seed = 1;
};

void printUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: vellora-demo-library FOLDER [--albums N] [--cover-size PX]\n"
                 "                            [--format mixed|jpg|png|bmp] [--no-covers] [--seed S] [--force]\n"
                 "\n"
                 "Makes N album folders (default 60) in FOLDER, each with a cover picture\n"
                 "(default 300 pixels square, JPEG, PNG and BMP mixed) and a few empty track files;\n"
                 "a few albums have no picture and a few have names with spaces and accents.\n"
                 "\n"
                 "  --albums N       number of albums, 0 to 1000000\n"
                 "  --cover-size PX  cover side in pixels, 8 to 4096\n"
                 "  --format F       mixed (default), jpg, png or bmp\n"
                 "  --no-covers      empty album folders only: no pictures, no tracks (fast)\n"
                 "  --seed S         changes the names and the covers (0 to 4294967295, default 1)\n"
                 "  --force          write into a non-empty folder that this tool did not make\n"
                 "\n"
                 "FOLDER must be missing, empty, or made earlier by this tool (its albums are then replaced).\n");
}

[[noreturn]] void badArguments(const std::string& message) {
    std::fprintf(stderr, "vellora-demo-library: %s\n\n", message.c_str());
    printUsage(stderr);
    std::exit(2);
}

[[noreturn]] void failed(const std::string& message) {
    std::fprintf(stderr, "vellora-demo-library: %s\n", message.c_str());
    std::exit(1);
}

long parseNumber(const std::string& option, const std::string& text, long low, long high) {
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value < low || value > high)
        badArguments(option + " wants a whole number from " + std::to_string(low) + " to " +
                     std::to_string(high) + ", not \"" + text + "\"");
    return long(value);
}

Format parseFormat(const std::string& text) {
    if (text == "mixed") return Format::Mixed;
    if (text == "jpg" || text == "jpeg") return Format::Jpeg;
    if (text == "png") return Format::Png;
    if (text == "bmp") return Format::Bmp;
    badArguments("--format wants mixed, jpg, png or bmp, not \"" + text + "\"");
}

Options parseArguments(int argc, char** argv) {
    Options options;
    std::vector<std::string> args(argv + 1, argv + argc);
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i], value;
        size_t equals = arg.find('=');
        bool inlineValue = arg.rfind("--", 0) == 0 && equals != std::string::npos;
        if (inlineValue) {
            value = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
        }
        auto takeValue = [&]() {
            if (inlineValue) return value;
            if (i + 1 >= args.size()) badArguments(arg + " needs a value");
            return args[++i];
        };
        if (arg == "-h" || arg == "--help") {
            printUsage(stdout);
            std::exit(0);
        } else if (arg == "--albums") {
            options.albums = parseNumber(arg, takeValue(), 0, 1000000);
        } else if (arg == "--cover-size") {
            options.coverSize = int(parseNumber(arg, takeValue(), 8, 4096));
        } else if (arg == "--format") {
            options.format = parseFormat(takeValue());
        } else if (arg == "--seed") {
            options.seed = uint32_t(parseNumber(arg, takeValue(), 0, 4294967295L));
        } else if (arg == "--no-covers" && !inlineValue) {
            options.covers = false;
        } else if (arg == "--force" && !inlineValue) {
            options.force = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            badArguments("unknown option " + args[i]);
        } else if (options.folder.empty()) {
            options.folder = arg;
        } else {
            badArguments("only one FOLDER, but got \"" + options.folder + "\" and \"" + arg + "\"");
        }
    }
    if (options.folder.empty()) badArguments("FOLDER is missing");
    return options;
}

// ---- names ----------------------------------------------------------------

const char* const kFirstWords[] = {"Amber", "Velvet", "Paper", "Silver", "Northern", "Hollow", "Electric",
                                   "Quiet", "Crimson", "Lunar", "Static", "Golden", "Wild", "Glass",
                                   "Neon", "Midnight", "Copper", "Winter", "Broken", "Solar"};
const char* const kSecondWords[] = {"Foxes", "Harbour", "Machines", "Orchard", "Tides", "Lanterns", "Pilots",
                                    "Sparrows", "Engines", "Choir", "Rivers", "Satellites", "Wolves",
                                    "Gardens", "Parade", "Signals", "Embers", "Atlas"};
const char* const kAlbumWords[] = {"Light", "Songs", "Distance", "Weather", "Hours", "Maps", "Echoes",
                                   "Summer", "Rooms", "Waves", "Stories", "Dust", "Letters", "Mirrors",
                                   "Horizons", "Islands", "Nights", "Colours"};
const char* const kAlbumOpeners[] = {"The Long", "Small", "Blue", "Other", "Falling", "Borrowed", "Late",
                                     "Distant", "Open", "Hidden", "Bright", "Second"};

// Names that exercise the awkward corners: UTF-8 letters inside and outside
// Windows-1252, percent signs, quotes, a leading dash, a caption too long to centre.
const char* const kSpecialNames[] = {
    "Sigur Rós – Ágætis byrjun",
    "Léa Ferré - Chansons d'été",
    "Jürgen Straßmann - Grüße aus Köln",
    "Åsa Öberg - Vinterljus",
    "Наталья Орлова - Зимний сад",
    "100% Static - %s and %d",
    "The \"Quoted\" Band - Live & Loud",
    "Ça Va - Señor Niño",
    "-Minus Ten - Flags",
    "Ca$h Register - $HOME Blues",
    "The Extraordinarily Long-Winded Orchestra of Somewhere - A Very Long Album Title Indeed",
};

template <size_t N>
const char* pick(const char* const (&words)[N], std::mt19937& random) {
    return words[random() % N];
}

std::string ordinaryName(std::mt19937& random) {
    std::string artist = std::string(pick(kFirstWords, random)) + " " + pick(kSecondWords, random);
    std::string title = std::string(pick(kAlbumOpeners, random)) + " " + pick(kAlbumWords, random);
    return artist + " - " + title;
}

std::vector<std::string> albumNames(long count, uint32_t seed) {
    std::mt19937 random(seed);
    std::unordered_set<std::string> used;
    std::vector<std::string> names;
    names.reserve(size_t(count));
    const long specials = long(sizeof kSpecialNames / sizeof kSpecialNames[0]);
    for (long i = 0; i < count; ++i) {
        bool special = i % 5 == 1 && i / 5 < specials;
        std::string name = special ? kSpecialNames[i / 5] : ordinaryName(random);
        std::string unique = name;
        for (int volume = 2; !used.insert(unique).second; ++volume)
            unique = name + " (Vol. " + std::to_string(volume) + ")";
        names.push_back(unique);
    }
    return names;
}

// ---- album contents -------------------------------------------------------

enum class CoverKind { None, Jpeg, GreyJpeg, PngRgb, PngRgba, PngPalette, Png16, Bmp };

CoverKind coverKind(long index, Format format) {
    if (index % 12 == 5) return CoverKind::None;
    switch (format) {
        case Format::Jpeg: return CoverKind::Jpeg;
        case Format::Png: return CoverKind::PngRgb;
        case Format::Bmp: return CoverKind::Bmp;
        case Format::Mixed: break;
    }
    static const CoverKind cycle[] = {CoverKind::Jpeg,   CoverKind::PngRgb,  CoverKind::Bmp,
                                      CoverKind::Jpeg,   CoverKind::PngRgba, CoverKind::Bmp,
                                      CoverKind::Jpeg,   CoverKind::PngRgb,  CoverKind::Jpeg,
                                      CoverKind::PngPalette, CoverKind::Png16, CoverKind::GreyJpeg};
    return cycle[index % 12];
}

const char* extension(CoverKind kind) {
    switch (kind) {
        case CoverKind::Jpeg:
        case CoverKind::GreyJpeg: return "jpg";
        case CoverKind::Bmp: return "bmp";
        default: return "png";
    }
}

// Varied file names, some with upper-case extensions, as real folders have.
std::string coverFileName(long index, CoverKind kind) {
    static const char* const stems[] = {"cover", "folder", "front", "Cover", "AlbumArt"};
    std::string ext = extension(kind);
    if (index % 7 == 3)
        for (char& c : ext) c = char(c - 'a' + 'A');
    return std::string(stems[index % 5]) + "." + ext;
}

bool writeCover(const std::string& path, CoverKind kind, const RgbPicture& picture, std::string* error) {
    switch (kind) {
        case CoverKind::Jpeg: return writeJpeg(path, picture, 88, false, error);
        case CoverKind::GreyJpeg: return writeJpeg(path, picture, 88, true, error);
        case CoverKind::PngRgb: return writePng(path, picture, PngKind::Rgb, 8, 255, error);
        case CoverKind::PngRgba: return writePng(path, picture, PngKind::Rgba, 8, 255, error);
        case CoverKind::PngPalette: return writePng(path, picture, PngKind::Palette, 8, 255, error);
        case CoverKind::Png16: return writePng(path, picture, PngKind::Rgb, 16, 255, error);
        case CoverKind::Bmp: return writeBmp(path, picture, error);
        case CoverKind::None: return true;
    }
    return true;
}

void touch(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    if (!out) failed("cannot write " + path);
}

void makeAlbumFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        failed("cannot make the folder " + path + ": " + std::strerror(errno));
}

void fillAlbum(const std::string& folder, long index, const Options& options, CoverKind kind) {
    static const char* const tracks[] = {"Opening", "Tidal", "Slow Return", "Paper Moon", "Outro"};
    int trackCount = 3 + int(index % 3);
    for (int t = 0; t < trackCount; ++t) {
        char name[64];
        std::snprintf(name, sizeof name, "%02d - %s.mp3", t + 1, tracks[t]);
        touch(folder + "/" + name);
    }
    if (kind == CoverKind::None) return;
    std::string error;
    RgbPicture picture = makeCoverPicture(options.coverSize, options.seed * 1000003u + uint32_t(index));
    if (!writeCover(folder + "/" + coverFileName(index, kind), kind, picture, &error)) failed(error);
}

// ---- the folder -----------------------------------------------------------

bool isEmptyFolder(const fs::path& folder) {
    std::error_code error;
    return fs::directory_iterator(folder, error) == fs::directory_iterator();
}

// Albums named in the marker of an earlier run, removed before a new one.
void removePreviousAlbums(const fs::path& folder) {
    std::ifstream marker(folder / kMarkerName);
    std::string name;
    while (std::getline(marker, name)) {
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) continue;
        std::error_code error;
        fs::remove_all(folder / name, error);
        if (error) failed("cannot remove the earlier album " + (folder / name).string() + ": " + error.message());
    }
}

// Makes sure the tool may write into the folder; clears an earlier run of its own.
void prepareFolder(const Options& options) {
    fs::path folder(options.folder);
    std::error_code error;
    if (!fs::exists(folder, error)) {
        fs::create_directories(folder, error);
        if (error) failed("cannot make the folder " + options.folder + ": " + error.message());
        return;
    }
    if (!fs::is_directory(folder, error)) failed(options.folder + " exists and is not a folder");
    if (fs::exists(folder / kMarkerName, error)) {
        removePreviousAlbums(folder);
        return;
    }
    if (!isEmptyFolder(folder) && !options.force)
        failed(options.folder + " is not empty and was not made by vellora-demo-library; "
               "choose another folder or add --force to write into it anyway");
}

void writeMarker(const Options& options, const std::vector<std::string>& names) {
    std::string path = options.folder + "/" + kMarkerName;
    std::ofstream marker(path, std::ios::binary | std::ios::trunc);
    for (const std::string& name : names) marker << name << '\n';
    if (!marker) failed("cannot write " + path);
}

// A line about once a second, so that a long run shows it is moving.
class Progress {
public:
    explicit Progress(long total) : total_(total), last_(std::chrono::steady_clock::now()), start_(last_) {}
    void done(long made) {
        auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::seconds(1)) return;
        last_ = now;
        std::printf("  %ld of %ld albums (%.0f s)\n", made, total_,
                    std::chrono::duration<double>(now - start_).count());
        std::fflush(stdout);
    }

private:
    long total_;
    std::chrono::steady_clock::time_point last_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace

int main(int argc, char** argv) {
    Options options = parseArguments(argc, argv);
    while (options.folder.size() > 1 && options.folder.back() == '/') options.folder.pop_back();
    prepareFolder(options);
    std::vector<std::string> names = albumNames(options.albums, options.seed);
    writeMarker(options, names);

    long withCover = 0;
    Progress progress(options.albums);
    for (long i = 0; i < options.albums; ++i) {
        std::string folder = options.folder + "/" + names[size_t(i)];
        makeAlbumFolder(folder);
        if (options.covers) {
            CoverKind kind = coverKind(i, options.format);
            fillAlbum(folder, i, options, kind);
            withCover += kind != CoverKind::None;
        }
        progress.done(i + 1);
    }
    std::printf("made %ld albums in %s, %ld with a cover picture\n", options.albums, options.folder.c_str(),
                withCover);
    return 0;
}
