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

// Where a PICTURE block's picture lies in `block` (header included), or false
// when the block is shorter than its fields say.
bool picturePlace(const std::vector<uint8_t>& block, uint32_t* type, size_t* at, size_t* length) {
    size_t p = 4;
    auto field = [&](uint32_t* value) {
        if (block.size() - p < 4) return false;
        *value = bigEndian32(&block[p]);
        p += 4;
        return true;
    };
    uint32_t mimeLength = 0, descriptionLength = 0, dataLength = 0;
    if (!field(type) || !field(&mimeLength) || block.size() - p < mimeLength) return false;
    p += mimeLength;
    if (!field(&descriptionLength) || block.size() - p < descriptionLength) return false;
    p += descriptionLength;
    if (block.size() - p < 16) return false;  // width, height, depth, colours
    p += 16;
    if (!field(&dataLength)) return false;
    *at = p;
    *length = dataLength;
    return true;
}

}  // namespace

OggFlacCover readOggFlacCover(const std::string& path, size_t maxPicture, size_t maxHeaderBytes) {
    OggFlacCover cover;
    std::FILE* file = platform::openFile(path, "rb");
    if (!file) return cover;  // the caller's other readers say why
    OggPackets packets(file, maxHeaderBytes);
    std::vector<uint8_t> packet, other;
    std::string damage, refused;
    const bool flac = packets.next(&packet, 64, &damage) && packet.size() >= 51 && packet[0] == 0x7F &&
                      std::memcmp(&packet[1], "FLAC", 4) == 0 && std::memcmp(&packet[9], "fLaC", 4) == 0;
    if (!flac) {
        std::fclose(file);
        return cover;
    }
    cover.isOggFlac = true;
    const unsigned headerPackets = unsigned(packet[7]) << 8 | packet[8];  // 0: not said
    bool last = packet[13] & 0x80;  // STREAMINFO's own last-block flag
    for (unsigned n = 0; !last && (headerPackets == 0 || n < headerPackets); ++n) {
        if (!packets.next(&packet, kMaxMetadataBlock, &damage)) break;
        if (packet.size() < 4 || packet[0] == 0xFF) break;  // an audio frame: the headers are over
        last = packet[0] & 0x80;
        if ((packet[0] & 0x7F) != kPictureBlock) continue;
        uint32_t type = 0;
        size_t at = 0, length = 0;
        if (!picturePlace(packet, &type, &at, &length) || packet.size() - at < length) {
            if (damage.empty()) damage = "its Ogg FLAC PICTURE block is shorter than it says";
            continue;
        }
        // Checked before anything is copied; a refused picture gives way to the next.
        if (length > maxPicture) {
            if (refused.empty()) refused = refusedPictureText(length, maxPicture);
            continue;
        }
        if (length == 0) {
            if (refused.empty()) refused = "its embedded picture is empty";
            continue;
        }
        if (type == kFrontCover) {
            cover.bytes.assign(packet.begin() + long(at), packet.begin() + long(at + length));
            break;
        }
        if (other.empty()) other.assign(packet.begin() + long(at), packet.begin() + long(at + length));
    }
    std::fclose(file);
    if (cover.bytes.empty()) cover.bytes = std::move(other);
    if (cover.bytes.empty()) cover.failure = refused.empty() ? damage : refused;
    return cover;
}
