#include "pictures/hostile_files.h"

#include <zlib.h>

namespace {

std::string big32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
std::string little32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string synchsafe(uint32_t v) { return {char((v >> 21) & 0x7f), char((v >> 14) & 0x7f), char((v >> 7) & 0x7f), char(v & 0x7f)}; }

std::string atom(const std::string& type, const std::string& body) { return big32(uint32_t(8 + body.size())) + type + body; }

std::string ftyp() { return atom("ftyp", std::string("M4A \0\0\2\0M4A isom", 16)); }

std::string pngChunk(const std::string& type, const std::string& data) {
    const std::string typed = type + data;
    const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), uInt(typed.size())));
    return big32(uint32_t(data.size())) + typed + big32(crc);
}

}  // namespace

std::string oggPage(const std::string& packet, unsigned char flags, uint64_t granule, uint32_t sequence) {
    std::string page = "OggS";
    page += char(0);
    page += char(flags);
    for (int i = 0; i < 8; ++i) page += char((granule >> (8 * i)) & 0xFF);
    page += std::string("\x21\x43\x65\x07", 4);  // stream serial number
    page += little32(sequence);
    page += std::string(4, '\0');  // checksum, filled in below
    std::string lacing;
    size_t left = packet.size();
    for (; left >= 255; left -= 255) lacing += char(255);
    lacing += char(left);
    page += char(lacing.size());
    page += lacing + packet;
    uint32_t crc = 0;  // CRC-32, polynomial 0x04c11db7, not reflected, as Ogg wants it
    for (unsigned char byte : page) {
        crc ^= uint32_t(byte) << 24;
        for (int bit = 0; bit < 8; ++bit) crc = crc & 0x80000000u ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    page.replace(22, 4, little32(crc));
    return page;
}

namespace {

std::string base64(const std::string& bytes) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = uint32_t(uint8_t(bytes[i])) << 16;
        if (i + 1 < bytes.size()) group |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        if (i + 2 < bytes.size()) group |= uint8_t(bytes[i + 2]);
        for (size_t k = 0; k < 4; ++k) text += i + k <= bytes.size() ? kAlphabet[(group >> (18 - 6 * k)) & 63] : '=';
    }
    return text;
}

// A FLAC metadata block: the last-block flag and type, a 24-bit length, the body.
std::string flacBlock(int type, bool last, const std::string& body) {
    const uint32_t length = uint32_t(body.size());
    return std::string{char((last ? 0x80 : 0) | type), char(length >> 16), char(length >> 8), char(length)} + body;
}

}  // namespace

std::string oggFlacWithPadding(int padding, const std::vector<uint8_t>& picture) {
    // STREAMINFO: 4096-sample blocks, 44.1 kHz, stereo, 16 bits, no MD5.
    const std::string streamInfo = std::string("\x10\x00\x10\x00", 4) + std::string(6, '\0') +
                                   std::string("\x0A\xC4\x42\xF0\x00\x00\x00\x00", 8) + std::string(16, '\0');
    const int headers = padding + 1;
    std::string first = std::string("\x7F" "FLAC\x01\x00", 7) + char(headers >> 8) + char(headers & 0xFF) + "fLaC" +
                        flacBlock(0, false, streamInfo);
    std::string file = oggPage(first, 0x02, 0, 0);
    uint32_t sequence = 1;
    for (int i = 0; i < padding; ++i) file += oggPage(flacBlock(1, false, std::string(4, '\0')), 0, 0, sequence++);
    std::string comments = little32(6) + "vellor" + little32(picture.empty() ? 0 : 1);
    if (!picture.empty()) {
        const std::string data(picture.begin(), picture.end());
        const std::string block = big32(3) + big32(10) + "image/jpeg" + big32(0) + std::string(16, '\0') +
                                  big32(uint32_t(data.size())) + data;
        const std::string comment = "METADATA_BLOCK_PICTURE=" + base64(block);
        comments += little32(uint32_t(comment.size())) + comment;
    }
    file += oggPage(flacBlock(4, true, comments), 0, 0, sequence++);
    file += oggPage(std::string("\xFF\xF8\x69\x08\x00\x00", 6), 0x04, 4096, sequence);  // an audio frame's start
    return file;
}

std::string id3Frame(int major, const std::string& id, const std::string& body) {
    const uint32_t size = uint32_t(body.size());
    return id + (major >= 4 ? synchsafe(size) : big32(size)) + std::string(2, '\0') + body;
}

std::string id3Tag(int major, const std::string& frames) {
    return std::string("ID3") + char(major) + std::string(2, '\0') + synchsafe(uint32_t(frames.size())) + frames;
}

std::string id3HeaderClaiming(uint32_t size) { return std::string("ID3\4\0\0", 6) + synchsafe(size); }

std::string id3FrontCover(int major, const std::vector<uint8_t>& picture) {
    // Latin-1 text, the MIME type, picture type 3 (front cover), an empty description.
    return id3Frame(major, "APIC", std::string("\0image/jpeg\0\3\0", 14) + std::string(picture.begin(), picture.end()));
}

std::string nestedChapterTag(int depth, bool toc) {
    const std::string innermost = id3Frame(4, "TIT2", std::string("\0x", 2));
    const std::string head = toc ? std::string("t\0\3\0", 4) : std::string("c\0", 2) + std::string(16, '\0');
    // Written from the outside in; level n's body is its head and level n - 1.
    std::string frames;
    frames.reserve(size_t(depth) * (10 + head.size()) + innermost.size());
    for (int level = depth; level > 0; --level) {
        const uint32_t body = uint32_t(head.size() + size_t(level - 1) * (10 + head.size()) + innermost.size());
        frames += (toc ? "CTOC" : "CHAP") + synchsafe(body) + std::string(2, '\0') + head;
    }
    return id3Tag(4, frames + innermost);
}

std::string frameFloodTag(int frames) {
    std::string all;
    all.reserve(size_t(frames) * 11);
    for (int i = 0; i < frames; ++i) all += id3Frame(4, "PRIV", "x");
    return id3Tag(4, all);
}

std::string silentMpegFrames(int count) {
    std::string frame(417, '\0');
    frame[0] = char(0xFF), frame[1] = char(0xFB), frame[2] = char(0x90), frame[3] = char(0x00);
    std::string frames;
    for (int i = 0; i < count; ++i) frames += frame;
    return frames;
}

std::string wavWithTag(const std::string& tag) {
    const std::string format = std::string("fmt ") + little32(16) +
                               std::string("\1\0\1\0\x44\xAC\0\0\x88\x58\1\0\2\0\x10\0", 16);
    const std::string data = std::string("data") + little32(400) + std::string(400, '\0');
    std::string id3 = std::string("id3 ") + little32(uint32_t(tag.size())) + tag;
    if (tag.size() % 2) id3 += '\0';
    const std::string body = "WAVE" + format + data + id3;
    return "RIFF" + little32(uint32_t(body.size())) + body;
}

std::string aiffWithTag(const std::string& tag) {
    // COMM: 1 channel, 100 frames, 16 bits, 44100 Hz as an 80-bit float.
    const std::string comm = std::string("COMM") + big32(18) +
                             std::string("\0\1\0\0\0\x64\0\x10\x40\x0E\xAC\x44\0\0\0\0\0\0", 18);
    const std::string sound = std::string("SSND") + big32(208) + std::string(208, '\0');
    std::string id3 = std::string("ID3 ") + big32(uint32_t(tag.size())) + tag;
    if (tag.size() % 2) id3 += '\0';
    const std::string body = "AIFF" + comm + sound + id3;
    return "FORM" + big32(uint32_t(body.size())) + body;
}

std::string wavOfChunks(int chunks) {
    std::string body = "WAVE";
    for (int i = 0; i < chunks; ++i) body += std::string("junk") + little32(0);
    return "RIFF" + little32(uint32_t(body.size())) + body;
}

std::string nestedAtomsM4a(int depth) {
    // Level n holds the levels below it: 8 bytes each.
    std::string file = ftyp();
    file.reserve(file.size() + size_t(depth) * 8);
    for (int level = 0; level < depth; ++level) file += big32(uint32_t(8 * (depth - level))) + "moov";
    return file;
}

std::string manyAtomsM4a(int atoms) {
    std::string file = ftyp();
    file.reserve(file.size() + size_t(atoms) * 8);
    for (int i = 0; i < atoms; ++i) file += big32(8) + "free";
    return file;
}

std::vector<uint8_t> textChunkBombPng(std::vector<uint8_t> png, int chunks, size_t inflated) {
    const std::string text(inflated, 'a');
    std::vector<Bytef> packed(compressBound(uLong(text.size())));
    uLongf packedSize = uLongf(packed.size());
    compress2(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(text.data()), uLong(text.size()), 9);
    const std::string chunk = pngChunk("zTXt", std::string("Comment\0\0", 9) +
                                                   std::string(packed.begin(), packed.begin() + long(packedSize)));
    std::string bombs;
    for (int i = 0; i < chunks; ++i) bombs += chunk;
    png.insert(png.begin() + 8 + 8 + 13 + 4, bombs.begin(), bombs.end());  // after IHDR
    return png;
}

std::vector<uint8_t> arithmeticRefinementJpeg(int width, int height, int refinements) {
    std::string j("\xFF\xD8", 2);
    j += std::string("\xFF\xDB\0\x43\0", 5) + std::string(64, '\1');  // one quantisation table of ones
    j += std::string("\xFF\xCA\0\x0B\x08", 5);                         // progressive, arithmetic coding
    j += char(height >> 8), j += char(height), j += char(width >> 8), j += char(width);
    j += std::string("\1\1\x11\0", 4);  // one grey component
    auto scan = [&](int first, int last, int high, int low) {
        j += std::string("\xFF\xDA\0\x08\1\1\0", 7);
        j += char(first), j += char(last), j += char(high << 4 | low);
    };
    scan(0, 0, 0, 0);
    scan(1, 63, 0, 1);
    for (int i = 0; i < refinements; ++i) scan(1, 63, 1, 0);
    j += std::string("\xFF\xD9", 2);
    return std::vector<uint8_t>(j.begin(), j.end());
}

std::vector<uint8_t> losslessWebpClaiming(int width, int height) {
    const uint32_t bits = uint32_t(width - 1) | (uint32_t(height - 1) << 14);
    std::vector<uint8_t> b = {'R', 'I', 'F', 'F', 30, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'L', 18, 0, 0, 0,
                              0x2f, uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16), uint8_t(bits >> 24)};
    b.resize(b.size() + 17, 0);
    return b;
}

std::vector<uint8_t> bmpHeaderClaiming(int width, int height) {
    const std::string header = std::string("BM") + little32(54) + little32(0) + little32(54) + little32(40) +
                               little32(uint32_t(width)) + little32(uint32_t(height)) +
                               std::string("\1\0\x18\0", 4) + std::string(24, '\0');
    return std::vector<uint8_t>(header.begin(), header.end());
}
