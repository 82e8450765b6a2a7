// UTF-8 decoding and NFC composition for the texts on screen. The composer
// follows the Unicode normalization algorithm: full canonical decomposition,
// canonical ordering of combining marks, then canonical composition, with
// Hangul syllables by rule and everything else from nfc_tables.cpp.
#include "render/unicode_text.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/glyph_raster.h"
#include "render/nfc_tables.h"

namespace {

const char32_t kReplacement = 0xFFFD;
const char32_t kFirstMark = 0x300;  // below it every character is NFC as it stands

// Hangul syllables: S = 0xAC00 + (L * 21 + V) * 28 + T.
const char32_t kSyllableBase = 0xAC00, kLeadBase = 0x1100, kVowelBase = 0x1161, kTrailBase = 0x11A7;
const int kLeadCount = 19, kVowelCount = 21, kTrailCount = 28, kSyllableCount = 11172;

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

int combiningClass(char32_t c) {
    if (c < kFirstMark) return 0;
    const CombiningRun* end = kCombiningRuns + kCombiningRunCount;
    const CombiningRun* run =
        std::upper_bound(kCombiningRuns, end, c, [](char32_t v, const CombiningRun& r) { return v < r.first; });
    if (run == kCombiningRuns) return 0;
    --run;
    return c <= run->last ? run->ccc : 0;
}

const CanonicalPair* decompositionOf(char32_t c) {
    const CanonicalPair* end = kCanonicalPairs + kCanonicalPairCount;
    const CanonicalPair* pair = std::lower_bound(
        kCanonicalPairs, end, c, [](const CanonicalPair& p, char32_t v) { return p.composite < v; });
    return pair != end && pair->composite == c ? pair : nullptr;
}

void decompose(char32_t c, std::u32string* out) {
    if (c >= kSyllableBase && c < kSyllableBase + kSyllableCount) {
        const int index = int(c - kSyllableBase);
        out->push_back(kLeadBase + index / (kVowelCount * kTrailCount));
        out->push_back(kVowelBase + index % (kVowelCount * kTrailCount) / kTrailCount);
        if (index % kTrailCount) out->push_back(kTrailBase + index % kTrailCount);
        return;
    }
    const CanonicalPair* pair = c >= 0xC0 ? decompositionOf(c) : nullptr;
    if (!pair) {
        out->push_back(c);
        return;
    }
    decompose(pair->first, out);
    if (pair->second) decompose(pair->second, out);
}

// The primary composites by their two parts, built once.
using PairKey = uint64_t;
PairKey pairKey(char32_t first, char32_t second) { return (PairKey(first) << 21) | second; }

const std::vector<std::pair<PairKey, char32_t>>& compositions() {
    static const std::vector<std::pair<PairKey, char32_t>> table = [] {
        std::vector<std::pair<PairKey, char32_t>> t;
        for (int i = 0; i < kCanonicalPairCount; ++i)
            if (kCanonicalPairs[i].composes)
                t.emplace_back(pairKey(kCanonicalPairs[i].first, kCanonicalPairs[i].second),
                               kCanonicalPairs[i].composite);
        std::sort(t.begin(), t.end());
        return t;
    }();
    return table;
}

// The character `first` and `second` compose to, or 0.
char32_t composePair(char32_t first, char32_t second) {
    if (first >= kLeadBase && first < kLeadBase + kLeadCount && second >= kVowelBase &&
        second < kVowelBase + kVowelCount)
        return kSyllableBase + ((first - kLeadBase) * kVowelCount + (second - kVowelBase)) * kTrailCount;
    if (first >= kSyllableBase && first < kSyllableBase + kSyllableCount && (first - kSyllableBase) % kTrailCount == 0 &&
        second > kTrailBase && second < kTrailBase + kTrailCount)
        return first + (second - kTrailBase);
    const auto& table = compositions();
    const PairKey key = pairKey(first, second);
    auto found = std::lower_bound(table.begin(), table.end(), std::make_pair(key, char32_t(0)));
    return found != table.end() && found->first == key ? found->second : 0;
}

}  // namespace

int decodeUtf8(const unsigned char* text, char32_t* codePoint) {
    const unsigned char lead = text[0];
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    int length = 0;
    char32_t value = 0, lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, value = lead & 0x1F, lowest = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, value = lead & 0x0F, lowest = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, value = lead & 0x07, lowest = 0x10000;
    else return 0;
    for (int i = 1; i < length; ++i) {
        if (!isContinuation(text[i])) return 0;  // also stops at the terminator
        value = (value << 6) | (text[i] & 0x3F);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (value < lowest || value > 0x10FFFF || surrogate) return 0;
    *codePoint = value;
    return length;
}

std::u32string windows1252Characters(const std::string& bytes) {
    std::u32string text;
    for (unsigned char byte : bytes) {
        const uint32_t c = windows1252ToUnicode(byte);
        text += c != 0 || byte == 0 ? char32_t(c) : kReplacement;
    }
    return text;
}

std::u32string composeNfc(const std::u32string& text) {
    if (std::all_of(text.begin(), text.end(), [](char32_t c) { return c < kFirstMark; })) return text;
    std::u32string decomposed;
    for (char32_t c : text) decompose(c, &decomposed);
    // Canonical order: each run of marks sorted by class, stably.
    for (size_t i = 0; i < decomposed.size();) {
        size_t end = i;
        while (end < decomposed.size() && combiningClass(decomposed[end]) != 0) ++end;
        if (end - i > 1)
            std::stable_sort(decomposed.begin() + long(i), decomposed.begin() + long(end),
                             [](char32_t a, char32_t b) { return combiningClass(a) < combiningClass(b); });
        i = end == i ? i + 1 : end;
    }
    std::u32string composed;
    long starter = -1;  // index in `composed` of the last starter
    int lastClass = 0;  // class of the last character kept after it
    for (char32_t c : decomposed) {
        const int cc = combiningClass(c);
        const bool adjacent = starter >= 0 && size_t(starter) + 1 == composed.size();
        const bool unblocked = adjacent || (starter >= 0 && lastClass != 0 && lastClass < cc);
        if (unblocked) {
            const char32_t pair = composePair(composed[size_t(starter)], c);
            if (pair) {
                composed[size_t(starter)] = pair;
                continue;
            }
        }
        if (cc == 0) starter = long(composed.size());
        lastClass = cc;
        composed.push_back(c);
    }
    return composed;
}

std::u32string textCharacters(const char* utf8) {
    std::u32string text;
    if (!utf8) return text;
    for (const unsigned char* at = reinterpret_cast<const unsigned char*>(utf8); *at != 0;) {
        char32_t c = 0;
        const int length = decodeUtf8(at, &c);
        if (length > 0) {
            text += c;
            at += length;
        } else {
            text += windows1252Characters(std::string(1, char(*at)));
            at += 1;
        }
    }
    return composeNfc(text);
}

bool isInvisibleCharacter(char32_t c) {
    return c == 0xAD || c == 0x34F || c == 0x61C || (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2060 && c <= 0x206F) || (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF ||
           (c >= 0xE0000 && c <= 0xE0FFF);
}

bool isControlCharacter(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }
