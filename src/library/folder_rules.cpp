#include "library/folder_rules.h"

#include <algorithm>

#include "library/albums_loader.h"
#include "library/media_files.h"
#include "platform/platform.h"

namespace {

char lowered(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Whether `name` begins with `word` in any letter case.
bool beginsWith(std::string_view name, std::string_view word) {
    if (name.size() < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (lowered(name[i]) != word[i]) return false;
    return true;
}

}  // namespace

int clampDepth(int depth) { return std::clamp(depth, 1, AlbumsLoader::kMaxDepth); }

bool isHiddenName(std::string_view name) { return name.empty() || name[0] == '.'; }

bool isMediaName(const std::string& name) { return isAudioName(name) || AlbumsLoader::is_cover(name); }

bool isDiscFolderName(std::string_view name) {
    struct Word {
        std::string_view word;
        bool letterToo;  // a side may be lettered
    };
    for (const Word& kind : {Word{"cd", false}, Word{"disc", false}, Word{"disk", false}, Word{"side", true}}) {
        if (!beginsWith(name, kind.word)) continue;
        size_t at = kind.word.size();
        while (at < name.size() && (name[at] == ' ' || name[at] == '_' || name[at] == '-' || name[at] == '.')) ++at;
        const size_t number = at;
        while (at < name.size() && isDigit(name[at])) ++at;
        if (at == number && kind.letterToo && at < name.size() && isLetter(name[at])) ++at;
        if (at == number) return false;
        return at == name.size() || !(isDigit(name[at]) || isLetter(name[at]));
    }
    return false;
}

bool makesAnAlbum(const platform::FindEntry& entry) {
    if (isHiddenName(entry.name)) return false;
    return (entry.attrib & platform::kAttrSubdir) ? isDiscFolderName(entry.name) : isMediaName(entry.name);
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder);
    if (folder.empty() || folder.back() != platform::kSeparator) path += platform::kSeparator;
    path.append(name);
    return path;
}

std::string pathOfKey(std::string_view musicPath, std::string_view key) {
    return key.empty() ? std::string(musicPath) : joinPath(musicPath, key);
}

std::string keyBelow(std::string_view key, std::string_view name) {
    return key.empty() ? std::string(name) : joinPath(key, name);
}

std::string captionOfKey(std::string_view key) {
    std::string caption;
    caption.reserve(key.size() + 2 * size_t(std::count(key.begin(), key.end(), platform::kSeparator)));
    for (char c : key) {
        if (c == platform::kSeparator) caption += " - ";
        else caption += c;
    }
    return caption;
}

std::string_view artistFolderOfKey(std::string_view key) {
    const size_t end = key.find(platform::kSeparator);
    return end == std::string_view::npos ? std::string_view() : key.substr(0, end);
}

bool pathIsAtOrBelow(std::string_view path, std::string_view folder) {
    if (folder.empty()) return true;
    return path.substr(0, folder.size()) == folder &&
           (path.size() == folder.size() || path[folder.size()] == platform::kSeparator);
}

int pathLevel(std::string_view path) {
    return path.empty() ? 0 : 1 + int(std::count(path.begin(), path.end(), platform::kSeparator));
}

bool pathListedBefore(std::string_view a, std::string_view b) {
    for (;;) {
        const size_t endA = std::min(a.find(platform::kSeparator), a.size());
        const size_t endB = std::min(b.find(platform::kSeparator), b.size());
        const std::string_view partA = a.substr(0, endA), partB = b.substr(0, endB);
        if (partA != partB) return platform::listedBefore(partA, partB);
        if (endA == a.size() || endB == b.size()) return endA == a.size() && endB < b.size();
        a.remove_prefix(endA + 1);
        b.remove_prefix(endB + 1);
    }
}

std::string pathSortKey(std::string_view path) {
    std::string key;
    key.reserve(2 * path.size() + 2);
    for (size_t begin = 0;;) {
        const size_t end = std::min(path.find(platform::kSeparator, begin), path.size());
        platform::appendListingKey(path.substr(begin, end - begin), &key);
        if (end == path.size()) return key;
        begin = end + 1;
    }
}

void pathFromSortKey(std::string_view key, std::string* path) {
    path->clear();
    // Of each part's two 0-ended runs the second is the part as it stands.
    for (size_t begin = 0, run = 0; begin < key.size(); ++run) {
        const size_t end = std::min(key.find('\0', begin), key.size());
        if (run % 2 == 1) path->append(run > 1 ? 1 : 0, platform::kSeparator).append(key, begin, end - begin);
        begin = end + 1;
    }
}
