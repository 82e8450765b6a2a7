// Cover discovery: an album's cover is a picture file directly in its folder
// whose name is not hidden, else one in its first disc folder (an album whose
// songs sit in CD1/, CD2/ keeps its scans there as often as beside them).
// Scans hold several pictures (the back of the box, the booklet, the disc),
// so names that say "front" come first and names that say "back" come last;
// the listing order decides the rest. The design's own lookup
// (initAlbumCover) keeps each album's answer, found or not; the cover loader
// asks searchCover itself.
#include "library/cover_discovery.h"

#include <vector>

#include "library/albums_loader.h"
#include "library/folder_rules.h"
#include "platform/platform.h"

void AlbumsLoader::initAlbumCover(int i) {
    album& record = albumList[at(i)];
    if (record.coverSearched) return;
    std::string cover = searchCover(getAlbumFolder(i));
    record.hasCover = !cover.empty();
    if (record.hasCover) {
        record.cover = static_cast<int32_t>(covers.size());
        covers.push_back(std::move(cover));
    }
    record.coverSearched = true;
}

namespace {

// The best picture file directly in `folder` ("" when none), and, when
// `firstDisc` is given, the first disc folder's name met before a front
// cover ends the listing.
std::string pictureIn(const std::string& folder, std::string* firstDisc) {
    platform::FindEntry entry;
    platform::FindHandle listing = platform::findFirst(folder, &entry);
    if (listing == platform::kFindFailed) return "";
    std::string best;
    int bestRank = 3;
    do {
        if (isHiddenName(entry.name)) continue;
        if (entry.attrib & platform::kAttrSubdir) {
            if (firstDisc && firstDisc->empty() && isDiscFolderName(entry.name)) *firstDisc = entry.name;
            continue;
        }
        if (!AlbumsLoader::is_cover(entry.name)) continue;
        const int rank = coverRank(entry.name);
        if (rank >= bestRank) continue;  // an earlier name of the same rank stays
        bestRank = rank;
        best = entry.name;
    } while (bestRank > 0 && platform::findNext(listing, &entry) == 0);
    platform::findClose(listing);
    return best.empty() ? "" : joinPath(folder, best);
}

}  // namespace

std::string AlbumsLoader::searchCover(std::string folder, std::string* firstDisc) {
    std::string disc;  // met in the same listing
    std::string cover = pictureIn(folder, &disc);
    if (!disc.empty()) disc = joinPath(folder, disc);
    if (cover.empty() && !disc.empty()) cover = pictureIn(disc, nullptr);
    if (firstDisc) *firstDisc = disc;
    return cover;
}

namespace {

char lowered(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isCapital(char c) { return c >= 'A' && c <= 'Z'; }

bool endsWith(const std::string& name, const char* ending) {
    const std::string tail(ending);
    if (name.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i)
        if (lowered(name[name.size() - tail.size() + i]) != tail[i]) return false;
    return true;
}

// The name without its last ".ending", in small letters.
std::string loweredStem(const std::string& name) {
    const size_t dot = name.rfind('.');
    std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    for (char& c : stem) c = lowered(c);
    return stem;
}

// Runs of letters, split again where a small letter meets a capital, in small letters.
std::vector<std::string> wordsOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    const size_t end = dot == std::string::npos ? name.size() : dot;
    std::vector<std::string> words;
    std::string word;
    for (size_t i = 0; i <= end; ++i) {
        const char c = i < end ? name[i] : ' ';
        const bool split = !isLetter(c) || (isCapital(c) && i > 0 && isLetter(name[i - 1]) && !isCapital(name[i - 1]));
        if (split && !word.empty()) {
            words.push_back(word);
            word.clear();
        }
        if (isLetter(c)) word += lowered(c);
    }
    return words;
}

bool holdsAny(const std::vector<std::string>& words, std::initializer_list<const char*> wanted) {
    for (const std::string& word : words)
        for (const char* w : wanted)
            if (word == w) return true;
    return false;
}

}  // namespace

// Looks at the ending only: no dot needed, letter case ignored.
bool AlbumsLoader::is_cover(std::string name) {
    return endsWith(name, "jpg") || endsWith(name, "bmp") || endsWith(name, "png") || endsWith(name, "jpeg") ||
           endsWith(name, "webp");
}

int coverRank(const std::string& name) {
    const std::string stem = loweredStem(name);
    for (const char* front : {"cover", "folder", "front", "album", "albumart"})
        if (stem == front) return 0;
    const std::vector<std::string> words = wordsOf(name);
    if (holdsAny(words, {"front"})) return 0;
    if (holdsAny(words, {"back", "booklet", "cd", "disc", "inlay", "tray", "inside", "small"})) return 2;
    if (holdsAny(words, {"cover"})) return 0;
    return 1;
}
