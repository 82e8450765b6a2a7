#include "pictures/picture_writer.h"

#include <png.h>
#include <webp/encode.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace {

bool fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

std::string fileError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

uint8_t luma(const uint8_t* p) {
    return uint8_t((299 * p[0] + 587 * p[1] + 114 * p[2] + 500) / 1000);
}

// ---- cover pictures -------------------------------------------------------

uint32_t mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

struct Colour {
    double r, g, b;
};

// hue in turns (0..1), saturation and value 0..1
Colour fromHsv(double hue, double saturation, double value) {
    double h = (hue - std::floor(hue)) * 6.0;
    int sector = int(h) % 6;
    double f = h - std::floor(h);
    double p = value * (1 - saturation), q = value * (1 - saturation * f),
           t = value * (1 - saturation * (1 - f));
    switch (sector) {
        case 0: return {value, t, p};
        case 1: return {q, value, p};
        case 2: return {p, value, t};
        case 3: return {p, q, value};
        case 4: return {t, p, value};
        default: return {value, p, q};
    }
}

uint8_t toByte(double v) { return uint8_t(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); }

void putPixel(RgbPicture& picture, int x, int y, Colour c) {
    uint8_t* p = picture.at(x, y);
    p[0] = toByte(c.r);
    p[1] = toByte(c.g);
    p[2] = toByte(c.b);
}

// 0 or 1: whether the pattern darkens pixel (x, y) of a size-pixel cover.
bool patternAt(int kind, int x, int y, int size) {
    int cell = std::max(2, size / 12);
    switch (kind) {
        case 0: return ((x + y) / cell) % 2 == 0;             // diagonal stripes
        case 1: return ((x / cell) + (y / cell)) % 2 == 0;    // checks
        default: {                                            // rings
            double dx = x - size / 2.0, dy = y - size / 2.0;
            return int(std::sqrt(dx * dx + dy * dy) / cell) % 2 == 0;
        }
    }
}

// ---- PNG ------------------------------------------------------------------

struct PngWriteError {
    std::string message;
};

void pngError(png_structp png, png_const_charp message) {
    static_cast<PngWriteError*>(png_get_error_ptr(png))->message = message;
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

int pngColourType(PngKind kind) {
    switch (kind) {
        case PngKind::Grey: return PNG_COLOR_TYPE_GRAY;
        case PngKind::GreyAlpha: return PNG_COLOR_TYPE_GRAY_ALPHA;
        case PngKind::Rgb: return PNG_COLOR_TYPE_RGB;
        case PngKind::Rgba: return PNG_COLOR_TYPE_RGB_ALPHA;
        default: return PNG_COLOR_TYPE_PALETTE;
    }
}

int pngChannels(PngKind kind) {
    switch (kind) {
        case PngKind::Grey: return 1;
        case PngKind::GreyAlpha: return 2;
        case PngKind::Rgb: return 3;
        case PngKind::Rgba: return 4;
        default: return 1;
    }
}

// The palette and the index of every pixel. Exact when the picture has at most
// 256 colours, otherwise a 6 x 7 x 6 colour cube.
struct Palettised {
    std::vector<png_color> palette;
    std::vector<uint8_t> indices;
};

Palettised palettise(const RgbPicture& picture) {
    Palettised out;
    std::map<uint32_t, uint8_t> exact;
    size_t count = size_t(picture.width) * picture.height;
    for (size_t i = 0; i < count && exact.size() <= 256; ++i) {
        const uint8_t* p = &picture.rgb[i * 3];
        exact.emplace((uint32_t(p[0]) << 16) | (p[1] << 8) | p[2], 0);
    }
    out.indices.resize(count);
    if (exact.size() <= 256) {
        for (auto& [rgb, index] : exact) {
            index = uint8_t(out.palette.size());
            out.palette.push_back({png_byte(rgb >> 16), png_byte(rgb >> 8), png_byte(rgb)});
        }
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* p = &picture.rgb[i * 3];
            out.indices[i] = exact[(uint32_t(p[0]) << 16) | (p[1] << 8) | p[2]];
        }
        return out;
    }
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                out.palette.push_back({png_byte(r * 51), png_byte(g * 255 / 6), png_byte(b * 51)});
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = &picture.rgb[i * 3];
        int r = (p[0] + 25) / 51, g = (p[1] * 6 + 127) / 255, b = (p[2] + 25) / 51;
        out.indices[i] = uint8_t((r * 7 + g) * 6 + b);
    }
    return out;
}

// Rows of the PNG's samples, big-endian for 16 bits.
std::vector<uint8_t> pngSamples(const RgbPicture& picture, PngKind kind, int bitDepth, uint8_t alpha,
                                const Palettised& palettised) {
    int channels = pngChannels(kind), bytes = bitDepth / 8;
    size_t count = size_t(picture.width) * picture.height;
    std::vector<uint8_t> out(count * channels * bytes);
    uint8_t* o = out.data();
    auto put = [&](uint8_t v) {
        *o++ = v;
        if (bytes == 2) *o++ = v;  // v * 257, big-endian: both bytes equal v
    };
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = &picture.rgb[i * 3];
        switch (kind) {
            case PngKind::Grey: put(luma(p)); break;
            case PngKind::GreyAlpha: put(luma(p)); put(alpha); break;
            case PngKind::Rgb: put(p[0]); put(p[1]); put(p[2]); break;
            case PngKind::Rgba: put(p[0]); put(p[1]); put(p[2]); put(alpha); break;
            case PngKind::Palette: *o++ = palettised.indices[i]; break;
        }
    }
    return out;
}

// Writes the IHDR (and palette) and `rows` rows of `samples`; finishes the
// file only when `finish` is set. The caller owns and closes `file`.
bool writePngStream(std::FILE* file, uint32_t width, uint32_t height, int colourType, int bitDepth,
                    const std::vector<png_color>& palette, const std::vector<uint8_t>& samples,
                    size_t rowBytes, uint32_t rows, bool finish, std::string* error) {
    PngWriteError state;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, pngError, pngWarning);
    if (!png) return fail(error, "cannot start the PNG writer");
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return fail(error, "cannot start the PNG writer");
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return fail(error, "PNG: " + state.message);
    }
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, bitDepth, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    png_write_info(png, info);
    for (uint32_t row = 0; row < rows; ++row)
        png_write_row(png, samples.data() + size_t(row) * rowBytes);
    if (finish) png_write_end(png, nullptr);
    else png_write_flush(png);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool closeFile(std::FILE* file, bool ok, const std::string& path, std::string* error) {
    if (std::fclose(file) != 0 && ok) return fail(error, fileError("cannot write", path));
    return ok;
}

// ---- JPEG -----------------------------------------------------------------

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    unsigned char* buffer = nullptr;  // jpeg_mem_dest's output, freed with free()
    unsigned long size = 0;
};

void jpegErrorExit(j_common_ptr cinfo) {
    auto* state = reinterpret_cast<JpegError*>(cinfo->err);
    cinfo->err->format_message(cinfo, state->message);
    std::longjmp(state->jump, 1);
}

bool writeBytes(const std::string& path, const uint8_t* data, size_t size, std::string* error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return fail(error, fileError("cannot create", path));
    bool ok = std::fwrite(data, 1, size, file) == size;
    if (!ok) fail(error, fileError("cannot write", path));
    return closeFile(file, ok, path, error);
}

void putLittle(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

}  // namespace

RgbPicture solidPicture(int width, int height, uint8_t red, uint8_t green, uint8_t blue) {
    RgbPicture picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.resize(size_t(width) * height * 3);
    for (size_t i = 0; i < picture.rgb.size(); i += 3) {
        picture.rgb[i] = red;
        picture.rgb[i + 1] = green;
        picture.rgb[i + 2] = blue;
    }
    return picture;
}

RgbPicture makeCoverPicture(int size, uint32_t seed) {
    RgbPicture picture = solidPicture(size, size, 0, 0, 0);
    uint32_t h = mix(seed * 2654435761U + 1);
    double hue = (h & 0xffff) / 65536.0;
    double hueShift = 0.15 + ((h >> 16) & 0xff) / 255.0 * 0.3;
    int pattern = int((h >> 24) % 3);
    Colour from = fromHsv(hue, 0.85, 0.95), to = fromHsv(hue + hueShift, 0.9, 0.55);
    Colour block = fromHsv(hue + 0.5, 0.9, 1.0);

    int blockSize = std::max(1, size * 2 / 5);
    int room = std::max(1, size - blockSize - size / 10);
    int blockX = size / 20 + int(mix(h) % uint32_t(room));
    int blockY = size / 20 + int(mix(h + 7) % uint32_t(room));
    int frame = std::max(1, size / 60);

    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double t = size > 1 ? double(x + y) / (2.0 * (size - 1)) : 0.0;
            double shade = patternAt(pattern, x, y, size) ? 0.8 : 1.0;
            Colour c{(from.r + (to.r - from.r) * t) * shade, (from.g + (to.g - from.g) * t) * shade,
                     (from.b + (to.b - from.b) * t) * shade};
            bool inBlock = x >= blockX && x < blockX + blockSize && y >= blockY && y < blockY + blockSize;
            bool inFrame = inBlock && (x < blockX + frame || x >= blockX + blockSize - frame ||
                                       y < blockY + frame || y >= blockY + blockSize - frame);
            if (inFrame) c = {0.05, 0.05, 0.05};
            else if (inBlock) c = block;
            putPixel(picture, x, y, c);
        }
    }
    return picture;
}

bool writePng(const std::string& path, const RgbPicture& picture, PngKind kind, int bitDepth,
              uint8_t alpha, std::string* error) {
    if (bitDepth != 8 && bitDepth != 16) return fail(error, "PNG bit depth must be 8 or 16");
    if (kind == PngKind::Palette && bitDepth != 8) return fail(error, "a palettised PNG has 8 bits");
    if (picture.width <= 0 || picture.height <= 0) return fail(error, "empty picture");
    Palettised palettised;
    if (kind == PngKind::Palette) palettised = palettise(picture);
    std::vector<uint8_t> samples = pngSamples(picture, kind, bitDepth, alpha, palettised);
    size_t rowBytes = size_t(picture.width) * pngChannels(kind) * (bitDepth / 8);

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return fail(error, fileError("cannot create", path));
    bool ok = writePngStream(file, uint32_t(picture.width), uint32_t(picture.height), pngColourType(kind),
                             bitDepth, palettised.palette, samples, rowBytes, uint32_t(picture.height), true,
                             error);
    return closeFile(file, ok, path, error);
}

std::vector<uint8_t> encodeWebp(const RgbPicture& picture, bool lossless) {
    uint8_t* out = nullptr;
    const int stride = picture.width * 3;
    const size_t size = lossless ? WebPEncodeLosslessRGB(picture.rgb.data(), picture.width, picture.height, stride, &out)
                                 : WebPEncodeRGB(picture.rgb.data(), picture.width, picture.height, stride, 90, &out);
    std::vector<uint8_t> bytes(out, out + size);
    WebPFree(out);
    return bytes;
}

bool writeWebp(const std::string& path, const RgbPicture& picture, bool lossless) {
    const std::vector<uint8_t> bytes = encodeWebp(picture, lossless);
    if (bytes.empty()) return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

bool writePngClaimingSize(const std::string& path, uint32_t width, uint32_t height, std::string* error) {
    const uint32_t rows = 4;
    size_t rowBytes = size_t(width) * 3;
    std::vector<uint8_t> samples(rowBytes * rows, 0x40);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return fail(error, fileError("cannot create", path));
    bool ok = writePngStream(file, width, height, PNG_COLOR_TYPE_RGB, 8, {}, samples, rowBytes,
                             std::min(rows, height), false, error);
    return closeFile(file, ok, path, error);
}

std::vector<uint8_t> encodeJpeg(const RgbPicture& picture, int quality, bool greyscale, std::string* error,
                                bool progressive) {
    if (picture.width <= 0 || picture.height <= 0) {
        fail(error, "empty picture");
        return {};
    }
    std::vector<uint8_t> grey;
    if (greyscale) {
        grey.resize(size_t(picture.width) * picture.height);
        for (size_t i = 0; i < grey.size(); ++i) grey[i] = luma(&picture.rgb[i * 3]);
    }
    jpeg_compress_struct cinfo;
    JpegError state;
    cinfo.err = jpeg_std_error(&state.manager);
    state.manager.error_exit = jpegErrorExit;
    if (setjmp(state.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(state.buffer);
        fail(error, std::string("JPEG: ") + state.message);
        return {};
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &state.buffer, &state.size);
    cinfo.image_width = JDIMENSION(picture.width);
    cinfo.image_height = JDIMENSION(picture.height);
    cinfo.input_components = greyscale ? 1 : 3;
    cinfo.in_color_space = greyscale ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    size_t stride = size_t(picture.width) * cinfo.input_components;
    const uint8_t* base = greyscale ? grey.data() : picture.rgb.data();
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(base + stride * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(state.buffer, state.buffer + state.size);
    jpeg_destroy_compress(&cinfo);
    std::free(state.buffer);
    return out;
}

bool writeJpeg(const std::string& path, const RgbPicture& picture, int quality, bool greyscale,
               std::string* error, bool progressive) {
    std::vector<uint8_t> bytes = encodeJpeg(picture, quality, greyscale, error, progressive);
    if (bytes.empty()) return false;
    return writeBytes(path, bytes.data(), bytes.size(), error);
}

bool writeTruncatedJpeg(const std::string& path, const RgbPicture& picture, double keptFraction,
                        std::string* error) {
    std::vector<uint8_t> bytes = encodeJpeg(picture, 90, false, error);
    if (bytes.empty()) return false;
    size_t kept = size_t(double(bytes.size()) * std::clamp(keptFraction, 0.0, 1.0));
    return writeBytes(path, bytes.data(), kept, error);
}

bool writeBmp(const std::string& path, const RgbPicture& picture, std::string* error) {
    if (picture.width <= 0 || picture.height <= 0) return fail(error, "empty picture");
    uint32_t pitch = (uint32_t(picture.width) * 3 + 3) & ~3U;
    uint32_t pixelBytes = pitch * uint32_t(picture.height);
    std::vector<uint8_t> out;
    out.reserve(54 + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    putLittle(out, 54 + pixelBytes, 4);  // file size
    putLittle(out, 0, 4);                // reserved
    putLittle(out, 54, 4);               // offset of the pixels
    putLittle(out, 40, 4);               // BITMAPINFOHEADER
    putLittle(out, uint32_t(picture.width), 4);
    putLittle(out, uint32_t(picture.height), 4);  // positive: bottom row first
    putLittle(out, 1, 2);                          // planes
    putLittle(out, 24, 2);                         // bits per pixel
    putLittle(out, 0, 4);                          // BI_RGB
    putLittle(out, pixelBytes, 4);
    putLittle(out, 2835, 4);  // 72 dpi
    putLittle(out, 2835, 4);
    putLittle(out, 0, 4);
    putLittle(out, 0, 4);
    for (int y = picture.height - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t* p = picture.at(x, y);
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
        }
        for (uint32_t pad = uint32_t(picture.width) * 3; pad < pitch; ++pad) out.push_back(0);
    }
    return writeBytes(path, out.data(), out.size(), error);
}

RgbPicture quadrantPicture(int size) {
    RgbPicture picture = solidPicture(size, size, 0, 0, 0);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const bool right = x >= size / 2, bottom = y >= size / 2;
            uint8_t* p = picture.at(x, y);
            p[0] = right == bottom ? 255 : 0;
            p[1] = right ? 255 : 0;
            p[2] = bottom ? 255 : 0;
        }
    return picture;
}
