// FLAC in Ogg: the first packet of the stream is 0x7F "FLAC", a version, the
// number of header packets that follow, "fLaC" and the STREAMINFO block; each
// header packet after it is one FLAC metadata block (a 4-byte header with the
// last-block flag, the type and a 24-bit length, then the body). PICTURE
// blocks (type 6) are read here; the pages are taken apart by hand, without
// checking their CRCs (a damaged page only ends the reading).
#include "library/ogg_flac_pictures.h"

#include <cstdio>
#include <cstring>

#include "library/embedded_cover.h"
#include "platform/platform.h"

namespace {

constexpr size_t kMaxMetadataBlock = 4 + 0xFFFFFF;  // header and the largest body a 24-bit length allows
constexpr uint32_t kCommentBlock = 4;
constexpr uint32_t kPictureBlock = 6;
constexpr uint32_t kFrontCover = 3;

uint32_t bigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
uint32_t littleEndian32(const uint8_t* p) {
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[0]);
}

// The packets of the file's first logical stream, in order; pages of other
// streams are passed over.
class OggPackets {
public:
    OggPackets(std::FILE* file, size_t budget) : file_(file), budget_(budget) {}

    // The next whole packet of at most `maxPacket` bytes. False at the end of
    // the file, on a damaged page or packet, or once the budget is spent
    // (`failure` then says why; a clean end leaves it alone).
    bool next(std::vector<uint8_t>* packet, size_t maxPacket, std::string* failure) {
        packet->clear();
        for (;;) {
            if (segment_ == lacing_.size()) {
                if (!readPage(failure)) {
                    if (!packet->empty() && failure->empty()) *failure = "its Ogg FLAC stream ends inside a header";
                    return false;
                }
                continue;
            }
            const size_t length = lacing_[segment_++];
            if (packet->size() + length > maxPacket) {
                *failure = "its Ogg FLAC headers are damaged (a header packet is too long)";
                return false;
            }
            packet->insert(packet->end(), body_.begin() + long(bodyAt_), body_.begin() + long(bodyAt_ + length));
            bodyAt_ += length;
            if (length < 255) return true;
        }
    }

private:
    bool readPage(std::string* failure) {
        for (;;) {
            uint8_t header[27];
            if (std::fread(header, 1, sizeof header, file_) != sizeof header) return false;
            if (std::memcmp(header, "OggS", 4) != 0 || header[4] != 0) {
                *failure = "its Ogg FLAC stream is damaged (no Ogg page where one should be)";
                return false;
            }
            const uint32_t serial = littleEndian32(header + 14);
            lacing_.resize(header[26]);
            if (!lacing_.empty() && std::fread(lacing_.data(), 1, lacing_.size(), file_) != lacing_.size())
                return false;
            size_t bodySize = 0;
            for (uint8_t length : lacing_) bodySize += length;
            const size_t pageSize = sizeof header + lacing_.size() + bodySize;
            if (pageSize > budget_) {
                *failure = "its Ogg FLAC headers run on beyond " + std::to_string(spent_ >> 20) + " MiB";
                return false;
            }
            budget_ -= pageSize;
            spent_ += pageSize;
            body_.resize(bodySize);
            if (bodySize && std::fread(body_.data(), 1, bodySize, file_) != bodySize) return false;
            if (!haveSerial_) {
                serial_ = serial;
                haveSerial_ = true;
            }
            if (serial != serial_) continue;  // another stream of a multiplexed file
            segment_ = 0;
            bodyAt_ = 0;
            return true;
        }
    }

    std::FILE* file_;
    size_t budget_;
    size_t spent_ = 0;
    bool haveSerial_ = false;
    uint32_t serial_ = 0;
    std::vector<uint8_t> lacing_;
    std::vector<uint8_t> body_;
    size_t segment_ = 0;
    size_t bodyAt_ = 0;
};

// Where the picture of a PICTURE block's body lies in it, or false when the
// body is shorter than its fields say.
bool picturePlace(const uint8_t* body, size_t size, uint32_t* type, size_t* at, size_t* length) {
    size_t p = 0;
    auto field = [&](uint32_t* value) {
        if (size - p < 4) return false;
        *value = bigEndian32(body + p);
        p += 4;
        return true;
    };
    uint32_t mimeLength = 0, descriptionLength = 0, dataLength = 0;
    if (!field(type) || !field(&mimeLength) || size - p < mimeLength) return false;
    p += mimeLength;
    if (!field(&descriptionLength) || size - p < descriptionLength) return false;
    p += descriptionLength;
    if (size - p < 16) return false;  // width, height, depth, colours
    p += 16;
    if (!field(&dataLength) || size - p < dataLength) return false;
    *at = p;
    *length = dataLength;
    return true;
}

// Standard base64, padding and anything outside the alphabet passed over.
std::vector<uint8_t> fromBase64(const uint8_t* text, size_t size) {
    std::vector<uint8_t> bytes;
    bytes.reserve(size / 4 * 3 + 3);
    uint32_t bits = 0;
    int held = 0;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t c = text[i];
        int value = c >= 'A' && c <= 'Z' ? c - 'A'
                    : c >= 'a' && c <= 'z' ? c - 'a' + 26
                    : c >= '0' && c <= '9' ? c - '0' + 52
                    : c == '+' ? 62 : c == '/' ? 63 : -1;
        if (value < 0) continue;
        bits = bits << 6 | uint32_t(value);
        held += 6;
        if (held >= 8) {
            held -= 8;
            bytes.push_back(uint8_t(bits >> held));
        }
    }
    return bytes;
}

bool keyIs(const uint8_t* comment, size_t size, const char* key) {
    const size_t length = std::strlen(key);
    if (size <= length || comment[length] != '=') return false;
    for (size_t i = 0; i < length; ++i) {
        const uint8_t c = comment[i];
        if ((c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c) != uint8_t(key[i])) return false;
    }
    return true;
}

// The pictures a stream holds, front covers apart, each the first of its kind.
struct Pictures {
    std::vector<uint8_t> front, other;
    std::string refused;  // why the first picture passed over was
    bool any() const { return !front.empty() || !other.empty(); }
    std::vector<uint8_t> best() { return std::move(front.empty() ? other : front); }
};

// Takes a picture of `type` at `data`, `length` bytes, unless refused.
void consider(Pictures* pictures, uint32_t type, const uint8_t* data, size_t length, size_t maxPicture) {
    // Checked before anything is copied; a refused picture gives way to the next.
    if (length > maxPicture) {
        if (pictures->refused.empty()) pictures->refused = refusedPictureText(length, maxPicture);
        return;
    }
    if (length == 0) {
        if (pictures->refused.empty()) pictures->refused = "its embedded picture is empty";
        return;
    }
    std::vector<uint8_t>& kept = type == kFrontCover ? pictures->front : pictures->other;
    if (kept.empty()) kept.assign(data, data + length);
}

// The METADATA_BLOCK_PICTURE comments of a VORBIS_COMMENT block (and the
// older COVERART ones, a picture file in base64), as TagLib reads them.
void commentPictures(const std::vector<uint8_t>& block, Pictures* pictures, size_t maxPicture) {
    size_t p = 4;
    auto length32 = [&](uint32_t* value) {
        if (block.size() - p < 4) return false;
        *value = littleEndian32(&block[p]);
        p += 4;
        return true;
    };
    uint32_t vendor = 0, count = 0;
    if (!length32(&vendor) || block.size() - p < vendor) return;
    p += vendor;
    if (!length32(&count)) return;
    for (uint32_t n = 0; n < count; ++n) {
        uint32_t size = 0;
        if (!length32(&size) || block.size() - p < size) return;
        const uint8_t* comment = &block[p];
        p += size;
        if (keyIs(comment, size, "METADATA_BLOCK_PICTURE")) {
            const size_t key = std::strlen("METADATA_BLOCK_PICTURE=");
            const std::vector<uint8_t> body = fromBase64(comment + key, size - key);
            uint32_t type = 0;
            size_t at = 0, length = 0;
            if (picturePlace(body.data(), body.size(), &type, &at, &length))
                consider(pictures, type, body.data() + at, length, maxPicture);
        } else if (keyIs(comment, size, "COVERART")) {
            const size_t key = std::strlen("COVERART=");
            const std::vector<uint8_t> picture = fromBase64(comment + key, size - key);
            consider(pictures, 0, picture.data(), picture.size(), maxPicture);
        }
    }
}

}  // namespace

OggFlacCover readOggFlacCover(const std::string& path, size_t maxPicture, size_t maxHeaderBytes) {
    OggFlacCover cover;
    std::FILE* file = platform::openFile(path, "rb");
    if (!file) return cover;  // the caller's other readers say why
    OggPackets packets(file, maxHeaderBytes);
    std::vector<uint8_t> packet;
    std::string damage;
    const bool flac = packets.next(&packet, 64, &damage) && packet.size() >= 51 && packet[0] == 0x7F &&
                      std::memcmp(&packet[1], "FLAC", 4) == 0 && std::memcmp(&packet[9], "fLaC", 4) == 0;
    if (!flac) {
        std::fclose(file);
        return cover;
    }
    cover.isOggFlac = true;
    Pictures blocks, comments;
    const unsigned headerPackets = unsigned(packet[7]) << 8 | packet[8];  // 0: not said
    bool last = packet[13] & 0x80;  // STREAMINFO's own last-block flag
    for (unsigned n = 0; !last && (headerPackets == 0 || n < headerPackets); ++n) {
        if (!packets.next(&packet, kMaxMetadataBlock, &damage)) break;
        if (packet.size() < 4 || packet[0] == 0xFF) break;  // an audio frame: the headers are over
        last = packet[0] & 0x80;
        const uint32_t blockType = packet[0] & 0x7F;
        if (blockType == kCommentBlock) {
            commentPictures(packet, &comments, maxPicture);
            continue;
        }
        if (blockType != kPictureBlock) continue;
        uint32_t type = 0;
        size_t at = 0, length = 0;
        if (!picturePlace(packet.data() + 4, packet.size() - 4, &type, &at, &length)) {
            if (damage.empty()) damage = "its Ogg FLAC PICTURE block is shorter than it says";
            continue;
        }
        consider(&blocks, type, packet.data() + 4 + at, length, maxPicture);
        if (!blocks.front.empty()) break;
    }
    std::fclose(file);
    // PICTURE blocks first, then the comments' pictures.
    if (blocks.any()) cover.bytes = blocks.best();
    else if (comments.any()) cover.bytes = comments.best();
    if (cover.bytes.empty()) {
        const std::string& refused = !blocks.refused.empty() ? blocks.refused : comments.refused;
        cover.failure = refused.empty() ? damage : refused;
    }
    return cover;
}
