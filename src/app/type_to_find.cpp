#include "app/type_to_find.h"

char findCharacter(int key) {
    if ((key >= 'a' && key <= 'z') || (key >= '0' && key <= '9')) return char(key);
    if (key >= 0xC0 && key <= 0xFF && key != 0xD7 && key != 0xF7) return char(key);
    return 0;
}

char typedCharacter(int key, const FindText& find, uint32_t tick) {
    if (key == ' ') return findTextLive(find, tick) ? ' ' : 0;
    return findCharacter(key);
}

void typeCharacter(FindText& find, char c, uint32_t tick) {
    if (!find.text.empty() && tick - find.lastTick <= kFindExtendTicks)
        find.text += c;
    else
        find.text.assign(1, c);
    find.lastTick = tick;
}

bool findTextLive(const FindText& find, uint32_t tick) {
    return !find.text.empty() && tick - find.lastTick <= kFindExtendTicks;
}

unsigned char foldCase(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    switch (c) {
        case 0x8A: return 0x9A;  // S caron
        case 0x8C: return 0x9C;  // OE
        case 0x8E: return 0x9E;  // Z caron
        case 0x9F: return 0xFF;  // Y diaeresis
        default: return c;
    }
}

bool captionStartsWith(const std::string& caption, const std::string& typed) {
    if (typed.empty() || caption.size() < typed.size()) return false;
    for (size_t i = 0; i < typed.size(); ++i)
        if (foldCase(caption[i]) != foldCase(typed[i])) return false;
    return true;
}

int firstMatchingAlbum(int count, const std::function<std::string(int)>& captionOf, const std::string& typed,
                       int from) {
    if (typed.empty()) return -1;
    for (int i = from < 0 ? 0 : from; i < count; ++i)
        if (captionStartsWith(captionOf(i), typed)) return i;
    return -1;
}
