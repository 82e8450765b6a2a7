// The desktop's shared thumbnail cache, as file managers keep it: scaled
// copies of cover pictures as PNG files named by the MD5 of the picture's
// file:// URI, in folders by size (normal 128, large 256, x-large 512,
// xx-large 1024 pixels on the longest side), each carrying the URI and the
// modification time of the file it was made from. The cover loader looks
// there before it decodes a cover, and writes there what it decoded; a cover
// whose content could not be read gets an entry in fail/vellora-<version>/
// so that it is not decoded again until the file changes.
//
// Everything here runs on the loader threads; the object itself holds only
// the cache folder and whether writing has been given up.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "texture/cover_picture.h"

// Who made a thumbnail, in its Software chunk, and the name of the fail folder.
extern const char* const kThumbnailSoftware;  // "Vellora 0.1"
extern const char* const kThumbnailFailFolder;  // "vellora-0.1"

// ------------------------------------------------------------ naming (pure)
// The file:// URI of an absolute path as GLib writes it: every byte but
// letters, digits and - . _ ~ ! $ & ' ( ) * + , : = @ / written %XX with
// upper-case hex (the file managers' thumbnails are named from that form).
// With `windows`, '\' becomes '/' and the path gets a leading '/'
// ("file:///C:/Music/a.jpg", the drive's ':' kept as it stands).
std::string thumbnailUri(const std::string& absolutePath, bool windows);
// The thumbnail's file name for a URI: the MD5 of the URI in hex, then ".png".
std::string thumbnailName(const std::string& uri);

// The size classes: folder name and longest side.
struct ThumbnailSize {
    const char* folder;
    int side;
};
extern const ThumbnailSize kThumbnailSizes[4];
// The smallest class at least `edge` on its longest side (the largest when
// none is); the thumbnail written for a texture of that edge.
const ThumbnailSize& thumbnailSizeFor(int edge);
// A thumbnail's size for a picture of width x height in the class of `side`:
// the longest side `side`, the other in proportion (at least 1); a picture
// smaller than the class keeps its own size.
void thumbnailDimensions(int side, int width, int height, int* thumbWidth, int* thumbHeight);
// Whether a thumbnail `thumbWidth` x `thumbHeight` of a picture whose own
// longest side is `originalSide` (0: not known) serves a texture of `edge`:
// its longest side is at least the smaller of edge and the original's.
bool thumbnailServes(int thumbWidth, int thumbHeight, int originalSide, int edge);

// Whether a thumbnail's Thumb::MTime text says the file time `seconds` and
// `nanoseconds`: whole seconds as GNOME writes them, or with a fraction as
// Xfce's tumbler does ("1796690088.045727"). The whole seconds must be equal;
// the fraction counts only when both carry one (a file time with no
// nanoseconds carries none), compared to the thumbnail's digits, one unit of
// the last digit either way. Anything else (no digits, other characters) is
// not a time.
bool thumbnailMtimeMatches(const std::string& text, int64_t seconds, int32_t nanoseconds);

// A thumbnail (or a fail entry) to write once the cover has been handed on.
struct PendingThumbnail {
    bool wanted = false;   // something to write
    bool failed = false;   // a fail entry rather than a thumbnail
    std::string uri;
    std::string name;      // thumbnailName(uri)
    int64_t mtime = 0;      // written as whole seconds, as GNOME writes it
    int32_t mtimeNanoseconds = 0;
    int64_t fileSize = -1; // the original's size in bytes, when known
    int sourceWidth = 0, sourceHeight = 0;
    const ThumbnailSize* size = nullptr;
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3, tightly packed
    // Or, while rgb is empty, the cover texture's first level (levelEdge a
    // side, RGB), scaled to width x height when written: scaled at decoding,
    // it would hold the cover back from the screen.
    std::vector<uint8_t> level;
    int levelEdge = 0;
};

class ThumbnailCache {
public:
    // `folder`: the cache folder, platform::thumbnailCacheFolder(); "" makes
    // a cache that finds nothing and writes nothing.
    explicit ThumbnailCache(std::string folder);

    const std::string& folder() const { return folder_; }

    // A picture file's cover through the cache: a valid thumbnail that
    // serves the texture (anyone's), else a fail entry for the file (the
    // cover is refused again), else the file read and decoded, with
    // `pending` filled with the thumbnail or the fail entry to write.
    // `inHandBytes`, when given, counts the memory of what is being decoded.
    CoverTexels decodeCoverFile(const std::string& path, int coverHeight, const std::atomic<bool>* cancel,
                                PendingThumbnail* pending, std::atomic<size_t>* inHandBytes = nullptr) const;
    // A picture taken out of `audioFile`: the thumbnail this program wrote for
    // that file, else the bytes decoded, with `pending` to write. (Other
    // programs' thumbnails of an audio file need not show its cover.)
    CoverTexels decodeEmbeddedCover(const std::string& audioFile, const std::vector<uint8_t>& bytes,
                                    int coverHeight, const std::atomic<bool>* cancel,
                                    PendingThumbnail* pending, std::atomic<size_t>* inHandBytes = nullptr) const;

    // Writes what decoding left to write, unless another program's valid
    // thumbnail of the same file is there: that one is left as it is. The
    // first folder that cannot be made is said in one line on standard
    // error, and nothing is written after that.
    void write(const PendingThumbnail& pending);

private:
    std::string uriOf(const std::string& path) const;
    bool findThumbnail(const std::string& uri, int64_t mtime, int32_t nanoseconds, bool anyMaker, int coverHeight,
                       const std::atomic<bool>* cancel, CoverTexels* texels) const;
    bool failedBefore(const std::string& uri, int64_t mtime, int32_t nanoseconds) const;
    void prepare(const std::string& uri, int64_t mtime, int32_t nanoseconds, int64_t fileSize,
                 const CoverTexels& texels, PendingThumbnail* pending) const;

    std::string folder_;
    std::string workingFolder_;  // what relative cover paths are below
    std::atomic<bool> givenUp_{false};
};
