#include "texture/thumbnail_cache.h"

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/log_text.h"
#include "library/folder_rules.h"
#include "platform/platform.h"
#include "texture/box_scaler.h"
#include "texture/md5.h"
#include "texture/picture_rows.h"
#include "texture/thumbnail_png.h"

const char* const kThumbnailSoftware = "Vellora 0.1";
const char* const kThumbnailFailFolder = "vellora-0.1";

const ThumbnailSize kThumbnailSizes[4] = {{"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}};

namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// A thumbnail file larger than this is not read: 1024 x 1024 RGB with room to spare.
constexpr size_t kMaxThumbnailFileBytes = size_t(16) << 20;

// A whole decimal number, sign allowed, nothing else.
bool parseInteger(const std::string& text, int64_t* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (!end || *end != '\0' || end == text.c_str()) return false;
    *value = parsed;
    return true;
}

// The text and the URI of a thumbnail file at `path`; false when it is not one.
bool readThumbnailInfo(const std::string& path, const std::atomic<bool>* cancel, std::vector<uint8_t>* bytes,
                       PngThumbnailInfo* info) {
    std::string why;
    return platform::readRegularFile(path, kMaxThumbnailFileBytes, bytes, &why, cancel) &&
           readPngThumbnailInfo(bytes->data(), bytes->size(), info);
}

CoverTexels refused(std::string reason) {
    CoverTexels texels;
    texels.failure = std::move(reason);
    return texels;
}

}  // namespace

std::string thumbnailUri(const std::string& absolutePath, bool windows) {
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    if (windows) uri += '/';
    for (size_t i = 0; i < absolutePath.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(absolutePath[i]);
        // What GLib leaves as it stands in a path, so that file managers find
        // the same thumbnail: RFC 3986's unreserved bytes and most sub-delimiters.
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          (c != 0 && std::strchr("-._~!$&'()*+,:=@/", c) != nullptr);
        if (kept) {
            uri += char(c);
        } else if (windows && c == '\\') {
            uri += '/';
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

std::string thumbnailName(const std::string& uri) { return md5Hex(uri) + ".png"; }

bool thumbnailMtimeMatches(const std::string& text, int64_t seconds, int32_t nanoseconds) {
    const size_t point = text.find('.');
    int64_t whole = 0;
    if (!parseInteger(text.substr(0, point), &whole) || whole != seconds) return false;
    if (point == std::string::npos) return true;
    const std::string digits = text.substr(point + 1);
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    if (nanoseconds == 0) return true;  // the file's time has no fraction to compare
    int64_t unit = 1;
    for (size_t i = digits.size(); i < 9; ++i) unit *= 10;
    const int64_t written = std::strtoll(digits.c_str(), nullptr, 10), file = nanoseconds / unit;
    return written - file <= 1 && file - written <= 1;
}

const ThumbnailSize& thumbnailSizeFor(int edge) {
    for (const ThumbnailSize& size : kThumbnailSizes)
        if (size.side >= edge) return size;
    return kThumbnailSizes[3];
}

void thumbnailDimensions(int side, int width, int height, int* thumbWidth, int* thumbHeight) {
    const int longest = std::max(std::max(width, height), 1);
    const int target = std::min(side, longest);
    const auto scaled = [&](int length) {
        return std::max(1, int((int64_t(length) * target + longest / 2) / longest));
    };
    *thumbWidth = width >= height ? target : scaled(width);
    *thumbHeight = height >= width ? target : scaled(height);
}

bool thumbnailServes(int thumbWidth, int thumbHeight, int originalSide, int edge) {
    const int longest = std::max(thumbWidth, thumbHeight);
    const int wanted = originalSide > 0 ? std::min(edge, originalSide) : edge;
    return longest >= wanted;
}

ThumbnailCache::ThumbnailCache(std::string folder)
    : folder_(std::move(folder)), workingFolder_(platform::workingFolder()) {}

std::string ThumbnailCache::uriOf(const std::string& path) const {
    return thumbnailUri(platform::absolutePath(path, workingFolder_), kWindows);
}

bool ThumbnailCache::findThumbnail(const std::string& uri, int64_t mtime, int32_t nanoseconds, bool anyMaker,
                                   int coverHeight, const std::atomic<bool>* cancel, CoverTexels* texels) const {
    if (folder_.empty()) return false;
    // The texture's edge for a picture at least as large as any cover texture.
    const int edge = coverTextureEdge(coverHeight, kMaxCoverTextureEdge, kMaxCoverTextureEdge);
    // The class that fits first, then the larger ones, then the smaller ones
    // (which serve only pictures smaller than the texture).
    std::vector<const ThumbnailSize*> order;
    for (const ThumbnailSize& size : kThumbnailSizes)
        if (size.side >= edge) order.push_back(&size);
    for (int i = 3; i >= 0; --i)
        if (kThumbnailSizes[i].side < edge) order.push_back(&kThumbnailSizes[i]);
    const std::string name = thumbnailName(uri);
    for (const ThumbnailSize* size : order) {
        std::vector<uint8_t> bytes;
        PngThumbnailInfo info;
        int64_t width = 0, height = 0;
        if (!readThumbnailInfo(joinPath(joinPath(folder_, size->folder), name), cancel, &bytes, &info) ||
            info.text("Thumb::URI") != uri || !thumbnailMtimeMatches(info.text("Thumb::MTime"), mtime, nanoseconds))
            continue;
        if (!anyMaker && info.text("Software") != kThumbnailSoftware) continue;
        const bool originalKnown = parseInteger(info.text("Thumb::Image::Width"), &width) &&
                                   parseInteger(info.text("Thumb::Image::Height"), &height) && width > 0 &&
                                   height > 0 && width <= kMaxCoverSide && height <= kMaxCoverSide;
        if (!thumbnailServes(info.width, info.height, originalKnown ? int(std::max(width, height)) : 0, edge))
            continue;
        CoverTexels decoded = decodeCoverBytes(bytes.data(), bytes.size(), coverHeight, cancel);
        if (!decoded.usable()) continue;
        // The texture's size is judged by the original's size, so that a
        // larger window asks again; unknown, it counts as large.
        decoded.sourceWidth = originalKnown ? int(width) : kMaxCoverSide;
        decoded.sourceHeight = originalKnown ? int(height) : kMaxCoverSide;
        *texels = std::move(decoded);
        return true;
    }
    return false;
}

bool ThumbnailCache::failedBefore(const std::string& uri, int64_t mtime, int32_t nanoseconds) const {
    if (folder_.empty()) return false;
    std::vector<uint8_t> bytes;
    PngThumbnailInfo info;
    const std::string path = joinPath(joinPath(joinPath(folder_, "fail"), kThumbnailFailFolder), thumbnailName(uri));
    return readThumbnailInfo(path, nullptr, &bytes, &info) && info.text("Thumb::URI") == uri &&
           thumbnailMtimeMatches(info.text("Thumb::MTime"), mtime, nanoseconds);
}

// The thumbnail is scaled from the texture's first level, which holds at
// least its detail: it is written only when it is not larger than the texture.
// The level is copied here and scaled when the thumbnail is written.
void ThumbnailCache::prepare(const std::string& uri, int64_t mtime, int32_t nanoseconds, int64_t fileSize,
                             const CoverTexels& texels, PendingThumbnail* pending) const {
    if (!pending || folder_.empty() || texels.levels.empty()) return;
    const ThumbnailSize& size = thumbnailSizeFor(texels.edge);
    int width = 0, height = 0;
    thumbnailDimensions(size.side, texels.sourceWidth, texels.sourceHeight, &width, &height);
    if (width > texels.edge || height > texels.edge) return;
    *pending = PendingThumbnail();
    pending->wanted = true;
    pending->uri = uri;
    pending->name = thumbnailName(uri);
    pending->mtime = mtime;
    pending->mtimeNanoseconds = nanoseconds;
    pending->fileSize = fileSize;
    pending->sourceWidth = texels.sourceWidth;
    pending->sourceHeight = texels.sourceHeight;
    pending->size = &size;
    pending->width = width;
    pending->height = height;
    pending->level = texels.levels[0];
    pending->levelEdge = texels.edge;
}

namespace {

// The thumbnail's pixels: as they were given, or scaled from the texture's level.
std::vector<uint8_t> thumbnailPixels(const PendingThumbnail& pending) {
    if (!pending.rgb.empty() || pending.level.empty()) return pending.rgb;
    BoxScaler scaler(pending.levelEdge, pending.levelEdge, pending.width, pending.height);
    for (int y = 0; y < pending.levelEdge; ++y)
        scaler.addRow(&pending.level[size_t(y) * size_t(pending.levelEdge) * 3]);
    return std::move(scaler.output());
}

}  // namespace

CoverTexels ThumbnailCache::decodeCoverFile(const std::string& path, int coverHeight,
                                            const std::atomic<bool>* cancel, PendingThumbnail* pending,
                                            std::atomic<size_t>* inHandBytes) const {
    int64_t mtime = 0;
    int32_t nanoseconds = 0;
    if (folder_.empty() || !platform::fileModifiedSeconds(path, &mtime, &nanoseconds))
        return ::decodeCoverFile(path, coverHeight, cancel, inHandBytes);  // not a file: the decoder says why
    const std::string uri = uriOf(path);
    CoverTexels texels;
    if (findThumbnail(uri, mtime, nanoseconds, true, coverHeight, cancel, &texels)) return texels;
    if (cancel && cancel->load()) return refused(kCancelledReason);
    if (failedBefore(uri, mtime, nanoseconds))
        return refused("it could not be read on an earlier run (the thumbnail cache's fail folder says so); it is "
                       "tried again once the file changes");
    std::vector<uint8_t> bytes;
    std::string failure;
    // A file that cannot be read now (a slow share, a file being written) is
    // not marked: it is tried again next time.
    if (!platform::readRegularFile(path, kMaxCoverFileBytes, &bytes, &failure, cancel)) return refused(failure);
    if (inHandBytes) *inHandBytes += bytes.size();
    texels = decodeCoverBytes(bytes.data(), bytes.size(), coverHeight, cancel, inHandBytes);
    if (inHandBytes) *inHandBytes -= bytes.size();
    if (texels.usable()) {
        prepare(uri, mtime, nanoseconds, int64_t(bytes.size()), texels, pending);
    } else if (pending && texels.failure != kCancelledReason) {
        *pending = PendingThumbnail();
        pending->wanted = pending->failed = true;
        pending->uri = uri;
        pending->name = thumbnailName(uri);
        pending->mtime = mtime;
        pending->mtimeNanoseconds = nanoseconds;
    }
    return texels;
}

CoverTexels ThumbnailCache::decodeEmbeddedCover(const std::string& audioFile, const std::vector<uint8_t>& bytes,
                                                int coverHeight, const std::atomic<bool>* cancel,
                                                PendingThumbnail* pending, std::atomic<size_t>* inHandBytes) const {
    int64_t mtime = 0;
    int32_t nanoseconds = 0;
    if (folder_.empty() || !platform::fileModifiedSeconds(audioFile, &mtime, &nanoseconds))
        return decodeCoverBytes(bytes.data(), bytes.size(), coverHeight, cancel, inHandBytes);
    const std::string uri = uriOf(audioFile);
    CoverTexels texels;
    if (findThumbnail(uri, mtime, nanoseconds, false, coverHeight, cancel, &texels)) return texels;
    texels = decodeCoverBytes(bytes.data(), bytes.size(), coverHeight, cancel, inHandBytes);
    if (texels.usable()) prepare(uri, mtime, nanoseconds, -1, texels, pending);
    return texels;
}

void ThumbnailCache::write(const PendingThumbnail& pending) {
    if (!pending.wanted || folder_.empty() || givenUp_.load()) return;
    const std::string folder = pending.failed ? joinPath(joinPath(folder_, "fail"), kThumbnailFailFolder)
                                              : joinPath(folder_, pending.size->folder);
    // Another program's thumbnail of this very file stays: the two programs
    // would otherwise replace each other's on every start.
    std::vector<uint8_t> bytes;
    PngThumbnailInfo info;
    if (readThumbnailInfo(joinPath(folder, pending.name), nullptr, &bytes, &info) &&
        info.text("Thumb::URI") == pending.uri && info.text("Software") != kThumbnailSoftware &&
        thumbnailMtimeMatches(info.text("Thumb::MTime"), pending.mtime, pending.mtimeNanoseconds))
        return;
    PngTexts texts = {{"Thumb::URI", pending.uri}, {"Thumb::MTime", std::to_string(pending.mtime)}};
    if (!pending.failed) {
        if (pending.fileSize >= 0) texts.emplace_back("Thumb::Size", std::to_string(pending.fileSize));
        texts.emplace_back("Thumb::Image::Width", std::to_string(pending.sourceWidth));
        texts.emplace_back("Thumb::Image::Height", std::to_string(pending.sourceHeight));
    }
    texts.emplace_back("Software", kThumbnailSoftware);
    const uint8_t grey[3] = {128, 128, 128};
    std::vector<uint8_t> png;
    if (pending.failed) {
        png = encodePngThumbnail(grey, 1, 1, texts);
    } else {
        const std::vector<uint8_t> rgb = thumbnailPixels(pending);
        png = encodePngThumbnail(rgb.data(), pending.width, pending.height, texts);
    }
    std::string error;
    if (png.empty()) error = "cannot encode the thumbnail of " + pending.uri;
    if (error.empty() && platform::makePrivateFolder(folder, &error) &&
        platform::replaceFilePrivately(joinPath(folder, pending.name), png, &error))
        return;
    if (!givenUp_.exchange(true)) std::fprintf(stderr, "vellora: not writing thumbnails: %s\n", platform::printable(error).c_str());
}
