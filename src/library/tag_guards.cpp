// The tag guards: header walks over a file, a few kilobytes at a time, that
// stop at the first limit passed. TagLib 1.13 parses nested MP4 atoms and
// ID3v2 chapter frames by recursion and keeps an object per frame, atom and
// chunk; these walks keep a small explicit stack and a count instead.
#include "library/tag_guards.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "library/media_files.h"
#include "platform/platform.h"

namespace {

// The file through a 64 KiB window, so that walking headers costs few reads.
class FileBytes : public TagBytes {
public:
    explicit FileBytes(std::FILE* file) : file_(file) {
        if (seekTo(0, SEEK_END)) size_ = tellNow();
    }
    ~FileBytes() override { std::fclose(file_); }
    uint64_t size() const override { return size_; }
    bool read(uint64_t offset, void* out, size_t count) override {
        if (offset > size_ || count > size_ - offset) return false;
        uint8_t* to = static_cast<uint8_t*>(out);
        while (count > 0) {
            if (offset < start_ || offset >= start_ + length_) {
                if (!seekTo(offset, SEEK_SET)) return false;
                start_ = offset;
                length_ = std::fread(window_, 1, sizeof window_, file_);
                if (length_ == 0) return false;
            }
            const size_t from = size_t(offset - start_);
            const size_t step = std::min(count, length_ - from);
            std::memcpy(to, window_ + from, step);
            to += step, offset += step, count -= step;
        }
        return true;
    }

private:
    bool seekTo(uint64_t offset, int whence) {
#ifdef _WIN32
        return _fseeki64(file_, static_cast<long long>(offset), whence) == 0;
#else
        return fseeko(file_, static_cast<off_t>(offset), whence) == 0;
#endif
    }
    uint64_t tellNow() {
#ifdef _WIN32
        const long long at = _ftelli64(file_);
#else
        const off_t at = ftello(file_);
#endif
        return at < 0 ? 0 : uint64_t(at);
    }

    std::FILE* file_;
    uint64_t size_ = 0;
    uint64_t start_ = 0;
    size_t length_ = 0;
    uint8_t window_[65536];
};

// A buffer, or part of one, as TagBytes.
class BufferBytes : public TagBytes {
public:
    explicit BufferBytes(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    uint64_t size() const override { return bytes_.size(); }
    bool read(uint64_t offset, void* out, size_t count) override {
        if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
        std::memcpy(out, bytes_.data() + offset, count);
        return true;
    }

private:
    std::vector<uint8_t> bytes_;
};

uint32_t bigEndian(const uint8_t* b, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | b[i];
    return value;
}
uint32_t littleEndian(const uint8_t* b) { return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24; }
uint32_t synchsafe(const uint8_t* b) {
    return uint32_t(b[0] & 0x7f) << 21 | uint32_t(b[1] & 0x7f) << 14 | uint32_t(b[2] & 0x7f) << 7 | uint32_t(b[3] & 0x7f);
}

// Undoes ID3v2 unsynchronisation: every FF 00 becomes FF.
std::vector<uint8_t> resynchronised(std::vector<uint8_t> data) {
    size_t to = 0;
    for (size_t from = 0; from < data.size(); ++from) {
        data[to++] = data[from];
        if (data[from] == 0xFF && from + 1 < data.size() && data[from + 1] == 0x00) ++from;
    }
    data.resize(to);
    return data;
}

bool readAll(TagBytes& bytes, uint64_t offset, uint64_t count, std::vector<uint8_t>* out) {
    out->resize(size_t(count));
    return count == 0 || bytes.read(offset, out->data(), size_t(count));
}

std::string mib(uint64_t bytes) { return std::to_string(bytes >> 20) + " MiB"; }

// ------------------------------------------------------------------ ID3v2

bool validFrameId(const uint8_t* id, int length) {
    for (int i = 0; i < length; ++i)
        if (!((id[i] >= 'A' && id[i] <= 'Z') || (id[i] >= '0' && id[i] <= '9'))) return false;
    return true;
}

// One run of frames: the top of the tag or the embedded frames of a chapter frame.
struct FrameRun {
    std::shared_ptr<TagBytes> bytes;
    uint64_t pos;
    uint64_t end;
    int depth;
};

// Where a chapter frame's embedded frames begin in its body, as TagLib reads
// the element ID (up to a NUL), then CHAP's four times or CTOC's flags, entry
// count and child element IDs. `size` is the body's length.
bool embeddedStart(TagBytes& body, uint64_t start, uint64_t size, bool toc, uint64_t* at) {
    if (size < (toc ? 6u : 18u)) return false;
    uint64_t pos = start;
    const uint64_t end = start + size;
    auto skipString = [&] {
        uint8_t c = 1;
        while (pos < end && body.read(pos, &c, 1) && c != 0) ++pos;
        if (pos < end) ++pos;  // the NUL
    };
    skipString();
    if (toc) {
        uint8_t head[2];
        if (pos + 2 > end || !body.read(pos, head, 2)) return false;
        pos += 2;
        for (int i = 0; i < head[1] && pos < end; ++i) skipString();
    } else {
        pos += 16;
    }
    *at = pos;
    return pos <= end;
}

std::string walkFrames(std::shared_ptr<TagBytes> tag, uint64_t start, uint64_t end, int major) {
    const uint64_t headerSize = major < 3 ? 6 : 10;
    const int idLength = major < 3 ? 3 : 4;
    int frames = 0;
    uint64_t decodedBytes = 0;
    std::vector<FrameRun> runs{{std::move(tag), start, end, 0}};
    while (!runs.empty()) {
        FrameRun& run = runs.back();
        uint8_t header[10];
        if (run.end < headerSize || run.pos >= run.end - headerSize || !run.bytes->read(run.pos, header, headerSize)) {
            runs.pop_back();
            continue;
        }
        if (header[0] == 0 || !validFrameId(header, idLength)) {  // padding, or where TagLib stops
            runs.pop_back();
            continue;
        }
        uint64_t size = major < 3 ? bigEndian(header + 3, 3) : major == 3 ? bigEndian(header + 4, 4) : synchsafe(header + 4);
        if (major >= 4 && size > 127) {
            // iTunes wrote 2.4 frames with plain sizes; TagLib takes the plain
            // size when only it leads to another frame.
            uint8_t next[4];
            auto frameAt = [&](uint64_t length) {
                return run.bytes->read(run.pos + headerSize + length, next, 4) && validFrameId(next, 4);
            };
            const uint64_t plain = bigEndian(header + 4, 4);
            if (!frameAt(size) && frameAt(plain)) size = plain;
        }
        const uint8_t flags = major < 3 ? 0 : header[9];
        const bool lengthIndicator = major >= 4 ? (flags & 0x01) != 0 : false;
        const bool compressed = major >= 4 ? (flags & 0x08) != 0 : major == 3 ? (flags & 0x80) != 0 : false;
        const bool encrypted = major >= 4 ? (flags & 0x04) != 0 : major == 3 ? (flags & 0x40) != 0 : false;
        const bool unsynchronised = major >= 4 && (flags & 0x02) != 0;
        if (size <= uint64_t(lengthIndicator ? 4 : 0) || size > run.end - run.pos) {
            runs.pop_back();
            continue;
        }
        if (++frames > kMaxId3v2Frames)
            return "its ID3v2 tag holds more than " + std::to_string(kMaxId3v2Frames) + " frames";
        const uint64_t framePos = run.pos;
        run.pos += headerSize + size;
        const bool chapter = major >= 3 && (std::memcmp(header, "CHAP", 4) == 0 || std::memcmp(header, "CTOC", 4) == 0);
        if (!chapter || encrypted) continue;  // TagLib keeps an encrypted frame as unknown bytes
        if (compressed) return "its ID3v2 tag holds a compressed chapter frame, which is not read";
        if (run.depth + 1 > kMaxChapterDepth)
            return "its ID3v2 chapter frames are nested more than " + std::to_string(kMaxChapterDepth) + " deep";
        uint64_t bodyStart = framePos + headerSize;
        if (bodyStart > run.bytes->size()) continue;
        uint64_t bodySize = std::min(size, run.bytes->size() - bodyStart);
        if (lengthIndicator) {
            if (bodySize < 4) continue;
            bodyStart += 4, bodySize -= 4;
        }
        std::shared_ptr<TagBytes> body = run.bytes;
        if (unsynchronised) {
            // The body must be decoded to be read; nested decoded bodies
            // together may not pass the size of a whole tag.
            decodedBytes += bodySize;
            if (decodedBytes > kMaxId3v2TagBytes)
                return "its ID3v2 chapter frames hold more than " + mib(kMaxId3v2TagBytes) + " to decode";
            std::vector<uint8_t> data;
            if (!readAll(*run.bytes, bodyStart, bodySize, &data)) continue;
            body = std::make_shared<BufferBytes>(resynchronised(std::move(data)));
            bodyStart = 0;
            bodySize = body->size();
        }
        uint64_t embedded = 0;
        const bool toc = std::memcmp(header, "CTOC", 4) == 0;
        if (!embeddedStart(*body, bodyStart, bodySize, toc, &embedded)) continue;
        const int depth = run.depth + 1;
        runs.push_back({body, embedded, bodyStart + bodySize, depth});  // `run` is not used after this
    }
    return "";
}

// ------------------------------------------------------------ MPEG audio

// The length in bytes of the MPEG audio frame whose header is `h`, 0 when the
// header is not valid (TagLib's test for the first audio frame).
int mpegFrameLength(const uint8_t* h) {
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return 0;
    const int version = (h[1] >> 3) & 3;  // 0: 2.5, 2: 2, 3: 1
    const int layer = (h[1] >> 1) & 3;    // 1: III, 2: II, 3: I
    const int bitrateIndex = h[2] >> 4, rateIndex = (h[2] >> 2) & 3, padding = (h[2] >> 1) & 1;
    if (version == 1 || layer == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return 0;
    static const int bitrates[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static const int rates[3] = {44100, 48000, 32000};
    const int layerIndex = 3 - layer;  // 0: I, 1: II, 2: III
    const int bitrate = bitrates[version == 3 ? 0 : 1][layerIndex][bitrateIndex] * 1000;
    const int rate = rates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    if (layerIndex == 0) return (12 * bitrate / rate + padding) * 4;
    const int factor = layerIndex == 2 && version != 3 ? 72 : 144;
    return factor * bitrate / rate + padding;
}

// A valid frame header at `pos` followed by another of the same kind.
bool mpegFrameAt(TagBytes& bytes, uint64_t pos) {
    uint8_t h[4], next[4];
    if (!bytes.read(pos, h, 4)) return false;
    const int length = mpegFrameLength(h);
    if (length <= 0 || !bytes.read(pos + uint64_t(length), next, 4)) return false;
    return next[0] == 0xFF && (next[1] & 0xFE) == (h[1] & 0xFE) && (next[2] & 0x0C) == (h[2] & 0x0C);
}

}  // namespace

std::string id3v2Refusal(TagBytes& bytes, uint64_t tagOffset) {
    uint8_t header[10];
    if (!bytes.read(tagOffset, header, sizeof header) || std::memcmp(header, "ID3", 3) != 0) return "";
    if (header[3] == 0xFF || header[4] == 0xFF) return "";
    for (int i = 6; i < 10; ++i)
        if (header[i] >= 0x80) return "";  // not a tag header TagLib accepts
    const int major = header[3] < 2 ? 2 : header[3] > 4 ? 4 : header[3];
    const uint64_t size = synchsafe(header + 6);
    if (size > kMaxId3v2TagBytes)
        return "its ID3v2 tag claims " + std::to_string(size) + " bytes, more than the " + mib(kMaxId3v2TagBytes) +
               " allowed";
    const uint8_t flags = header[5];
    const uint64_t start = tagOffset + 10;
    uint64_t end = std::min(start + size, bytes.size());
    if (major == 4 && (flags & 0x10) && end - start >= 10) end -= 10;  // the footer
    std::shared_ptr<TagBytes> frames;
    uint64_t pos = start;
    if ((flags & 0x80) && major <= 3) {
        // Unsynchronised as a whole: TagLib decodes the tag before reading its frames.
        std::vector<uint8_t> data;
        if (!readAll(bytes, start, end - start, &data)) return "";
        frames = std::make_shared<BufferBytes>(resynchronised(std::move(data)));
        pos = 0;
        end = frames->size();
    } else {
        // A view of the same file that does not own it.
        struct Borrowed : TagBytes {
            TagBytes& bytes;
            explicit Borrowed(TagBytes& b) : bytes(b) {}
            uint64_t size() const override { return bytes.size(); }
            bool read(uint64_t offset, void* out, size_t count) override { return bytes.read(offset, out, count); }
        };
        frames = std::make_shared<Borrowed>(bytes);
    }
    if (flags & 0x40) {  // the extended header, its size read as TagLib reads it
        uint8_t extended[4];
        if (pos + 4 <= end && frames->read(pos, extended, 4) && synchsafe(extended) <= end - pos)
            pos += synchsafe(extended);
    }
    return walkFrames(frames, pos, end, major);
}

std::string mp3Refusal(TagBytes& bytes) {
    uint8_t first[3];
    if (!bytes.read(0, first, 3)) return "";
    if (std::memcmp(first, "ID3", 3) == 0) return id3v2Refusal(bytes, 0);
    // TagLib looks for the tag up to the first valid audio frame.
    const uint64_t size = bytes.size();
    uint8_t window[4096];
    for (uint64_t base = 0; base < size; base += sizeof window - 3) {
        const size_t length = size_t(std::min<uint64_t>(sizeof window, size - base));
        if (!bytes.read(base, window, length)) return "";
        for (size_t i = 0; i + 3 <= length; ++i) {
            if (window[i] == 0xFF && (window[i + 1] & 0xE0) == 0xE0 && mpegFrameAt(bytes, base + i)) return "";
            if (std::memcmp(window + i, "ID3", 3) == 0) return id3v2Refusal(bytes, base + i);
        }
        if (length < sizeof window) break;
    }
    return "";
}

std::string riffRefusal(TagBytes& bytes) {
    uint8_t head[12];
    if (!bytes.read(0, head, sizeof head)) return "";
    const bool big = std::memcmp(head, "FORM", 4) == 0;
    auto validName = [](const uint8_t* name) {
        for (int i = 0; i < 4; ++i)
            if (name[i] < 32 || name[i] > 126) return false;
        return true;
    };
    int chunks = 0;
    uint64_t offset = 12;
    const uint64_t length = bytes.size();
    while (offset + 8 <= length) {
        uint8_t chunk[8];
        if (!bytes.read(offset, chunk, 8) || !validName(chunk)) break;
        const uint64_t size = big ? bigEndian(chunk + 4, 4) : littleEndian(chunk + 4);
        if (offset + 8 + size > length) break;
        if (++chunks > kMaxRiffChunks) return "it holds more than " + std::to_string(kMaxRiffChunks) + " chunks";
        if (std::memcmp(chunk, "ID3 ", 4) == 0 || std::memcmp(chunk, "id3 ", 4) == 0) {
            std::string refusal = id3v2Refusal(bytes, offset + 8);
            if (!refusal.empty()) return refusal;
        }
        offset += 8 + size;
        if (offset & 1) {  // a pad byte, skipped when it is zero or a chunk name follows it
            uint8_t pad[5];
            if (bytes.read(offset, pad, 1) && (pad[0] == 0 || (bytes.read(offset, pad, 5) && validName(pad + 1))))
                ++offset;
        }
    }
    return "";
}

std::string mp4Refusal(TagBytes& bytes) {
    static const char* const containers[] = {"moov", "udta", "mdia", "meta", "ilst", "stbl",
                                             "minf", "moof", "traf", "trak", "stsd"};
    const uint64_t fileEnd = bytes.size();
    struct Level {
        uint64_t end;
        int depth;
    };
    std::vector<Level> levels;  // the containers the walk is inside
    uint64_t pos = 0;
    int atoms = 0;
    for (;;) {
        while (!levels.empty() && pos >= levels.back().end) levels.pop_back();
        if (levels.empty() ? pos + 8 > fileEnd : false) break;
        uint8_t header[8];
        if (!bytes.read(pos, header, 8)) break;  // TagLib gives up on the file here
        uint64_t length = bigEndian(header, 4), headerSize = 8;
        if (length == 0) {
            length = fileEnd - pos;
        } else if (length == 1) {
            uint8_t wide[8];
            if (!bytes.read(pos + 8, wide, 8)) break;
            length = uint64_t(bigEndian(wide, 4)) << 32 | bigEndian(wide + 4, 4);
            if (length > uint64_t(INT64_MAX)) break;
            headerSize = 16;
        }
        if (length < 8) break;
        if (++atoms > kMaxMp4Atoms) return "it holds more than " + std::to_string(kMaxMp4Atoms) + " MP4 atoms";
        bool container = false;
        for (const char* name : containers) container = container || std::memcmp(header + 4, name, 4) == 0;
        if (!container) {
            pos += length;
            continue;
        }
        const int depth = levels.empty() ? 1 : levels.back().depth + 1;
        if (depth > kMaxMp4AtomDepth)
            return "its MP4 atoms are nested more than " + std::to_string(kMaxMp4AtomDepth) + " deep";
        levels.push_back({pos + length, depth});
        pos += headerSize;
        if (std::memcmp(header + 4, "meta", 4) == 0) pos += 4;
        if (std::memcmp(header + 4, "stsd", 4) == 0) pos += 8;
    }
    return "";
}

std::string tagGuardRefusal(const std::string& path) {
    const AudioKind kind = audioKindOf(path);
    const bool mp3 = kind == AudioKind::Mpeg;
    const bool riff = kind == AudioKind::Wav || kind == AudioKind::Aiff;
    const bool mp4 = kind == AudioKind::Mp4;
    const bool flac = kind == AudioKind::Flac;  // TagLib reads an ID3v2 tag at the start of a FLAC file too
    if (!mp3 && !riff && !mp4 && !flac) return "";
    std::FILE* file = platform::openFile(path, "rb");
    if (!file) return "";
    FileBytes bytes(file);
    if (flac) return id3v2Refusal(bytes, 0);
    return mp3 ? mp3Refusal(bytes) : riff ? riffRefusal(bytes) : mp4Refusal(bytes);
}
