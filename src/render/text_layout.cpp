#include "render/text_layout.h"

#include <algorithm>
#include <cmath>

namespace {

const double kCaptionCapShare = 0.026;  // of the window's height, from 1080 lines on
const int kFullCaptionHeight = 1080;    // where the caption reaches that share
const char32_t kEllipsis = U'\u2026';

bool breaksAfter(char32_t c) { return c == U' ' || c == U'/' || c == U'\\' || c == U'-'; }

std::u32string withoutTrailingSpace(std::u32string line) {
    while (!line.empty() && line.back() == U' ') line.pop_back();
    return line;
}

// `line` cut until it and an ellipsis fit `maxWidth`, then the ellipsis.
std::u32string ellipsised(std::u32string line, int maxWidth, const AdvanceOf& advanceOf) {
    const int room = maxWidth - advanceOf(kEllipsis);
    while (!line.empty() && textWidth(line, advanceOf) > room) line.pop_back();
    return withoutTrailingSpace(line) + kEllipsis;
}

}  // namespace

double textScale(int windowHeight) { return std::max(1.0, double(windowHeight) / kDesignWindowHeight); }

int scaledPixels(int designPixels, int windowHeight) {
    return int(std::lround(designPixels * textScale(windowHeight)));
}

int textPixelHeight(int windowHeight) { return scaledPixels(kDesignTextPixels, windowHeight); }

int captionPixelHeight(int windowHeight, double capHeightPerEm) {
    const int text = textPixelHeight(windowHeight);
    if (windowHeight <= kDesignWindowHeight || capHeightPerEm <= 0) return text;
    // From the design size at 600 lines to the wanted share at 1080, in a straight line.
    const double ramp = std::min(1.0, double(windowHeight - kDesignWindowHeight) /
                                          (kFullCaptionHeight - kDesignWindowHeight));
    const double wanted = kCaptionCapShare * windowHeight / capHeightPerEm;
    const double size = text + ramp * std::max(0.0, wanted - text);
    return std::max(text, int(std::ceil(size - 0.01)));
}

int textWidth(const std::u32string& text, const AdvanceOf& advanceOf) {
    int width = 0;
    for (char32_t c : text) width += advanceOf(c);
    return width;
}

std::vector<std::u32string> wrapText(const std::u32string& text, int maxWidth, const AdvanceOf& advanceOf,
                                     int maxLines) {
    std::vector<std::u32string> lines;
    std::u32string line;
    int width = 0;
    size_t lastBreak = 0;  // characters of `line` before its last break opportunity; 0: none
    for (char32_t c : text) {
        const int advance = advanceOf(c);
        while (width + advance > maxWidth && !line.empty() && c != U' ') {
            const size_t cut = lastBreak > 0 ? lastBreak : line.size();
            lines.push_back(withoutTrailingSpace(line.substr(0, cut)));
            line.erase(0, cut);
            while (!line.empty() && line.front() == U' ') line.erase(0, 1);
            width = textWidth(line, advanceOf);
            lastBreak = 0;
        }
        if (line.empty() && c == U' ' && !lines.empty()) continue;  // no line starts with the space it broke at
        line += c;
        width += advance;
        if (breaksAfter(c)) lastBreak = line.size();
    }
    if (!line.empty() || lines.empty()) lines.push_back(withoutTrailingSpace(line));
    if (maxLines > 0 && int(lines.size()) > maxLines) {
        lines.resize(size_t(maxLines));
        lines.back() = ellipsised(lines.back(), maxWidth, advanceOf);
    }
    return lines;
}
