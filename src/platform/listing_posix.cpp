// Folder listings in the order of the original platform's file system.
//
// A listing reads the whole folder at once (one opendir/readdir pass) into one
// name buffer, sorts it and hands the entries out one by one. The order folds ASCII letters to
// upper case, as NTFS does, so "_x" comes after "Zed"; names equal but for
// letter case then go byte by byte ("A" before "a"). The directory bit comes
// from the entry type readdir gives; only symbolic links and entries of unknown
// type are looked at with a stat, so listing a music folder never touches the
// album folders in it.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace platform {
namespace {

// One entry of a listing: where its name lies in the listing's name buffer,
// and the first 32 bytes of the name folded to upper case, packed big-endian
// and zero-padded, so most comparisons are a few integer compares and never
// reach the name buffer. (16 bytes were too few: names of one artist's albums
// share their first 16, and a tie costs a cache miss in the buffer.)
constexpr size_t kKeyWords = 4;

struct Item {
    uint64_t key[kKeyWords];
    uint32_t offset;
    uint32_t length;
    uint32_t attrib;
};

struct Listing {
    std::string names;  // every name, each followed by a NUL
    std::vector<Item> items;
    size_t next = 0;
};

unsigned char foldedUpper(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

void fillKey(Item* item, const char* name) {
    for (size_t word = 0; word < kKeyWords; ++word) {
        uint64_t key = 0;
        for (size_t i = word * 8; i < word * 8 + 8; ++i)
            key = key << 8 | (i < item->length ? foldedUpper(static_cast<unsigned char>(name[i])) : 0);
        item->key[word] = key;
    }
}

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// A directory after following links; an entry that cannot be examined is a file.
unsigned attributesOf(DIR* folder, const dirent* entry) {
    if (entry->d_type == DT_DIR) return kAttrSubdir;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) return 0;
    struct stat info;
    if (fstatat(dirfd(folder), entry->d_name, &info, 0) != 0) return 0;
    return S_ISDIR(info.st_mode) ? kAttrSubdir : 0;
}

int64_t nanoseconds(const struct timespec& time) { return int64_t(time.tv_sec) * 1000000000 + time.tv_nsec; }

// Reads every entry but "." and ".."; false when the folder cannot be opened.
// A read error part of the way through keeps the entries read so far.
// `modified` (when given) gets the folder's time from the open folder, before
// any entry is read: a change made while it is read leaves a later time. It
// gets 0 after a read error, so that a listing cut short is not taken whole.
bool readFolder(const std::string& folder, Listing* listing, int64_t* modified = nullptr) {
    DIR* handle = opendir((folder + kSeparator).c_str());
    if (!handle) return false;
    if (modified) {
        struct stat info;
        *modified = fstat(dirfd(handle), &info) == 0 ? nanoseconds(info.st_mtim) : 0;
    }
    for (;;) {
        errno = 0;  // readdir's end and its failure differ only by errno
        const dirent* entry = readdir(handle);
        if (!entry) {
            if (errno != 0 && modified) *modified = 0;
            break;
        }
        if (isDotOrDotDot(entry->d_name)) continue;
        size_t length = std::strlen(entry->d_name);
        if (listing->names.size() + length + 1 > UINT32_MAX) break;  // offsets are 32-bit
        Item item;
        item.offset = static_cast<uint32_t>(listing->names.size());
        item.length = static_cast<uint32_t>(length);
        item.attrib = attributesOf(handle, entry);
        fillKey(&item, entry->d_name);
        listing->names.append(entry->d_name, item.length + 1);
        listing->items.push_back(item);
    }
    closedir(handle);
    return true;
}

void sortListing(Listing* listing) {
    const char* names = listing->names.c_str();
    std::sort(listing->items.begin(), listing->items.end(), [names](const Item& a, const Item& b) {
        for (size_t word = 0; word < kKeyWords; ++word)
            if (a.key[word] != b.key[word]) return a.key[word] < b.key[word];
        return listedBefore(names + a.offset, names + b.offset);
    });
}

}  // namespace

FindHandle findFirst(const std::string& folder, FindEntry* entry) {
    auto* listing = new Listing;
    if (!readFolder(folder, listing) || listing->items.empty()) {
        delete listing;
        return kFindFailed;
    }
    sortListing(listing);
    FindHandle handle = reinterpret_cast<FindHandle>(listing);
    findNext(handle, entry);
    return handle;
}

int findNext(FindHandle handle, FindEntry* entry) {
    if (handle == kFindFailed) return -1;
    auto* listing = reinterpret_cast<Listing*>(handle);
    if (listing->next >= listing->items.size()) return -1;
    // Sorted entries point all over the name buffer; fetch a few names ahead.
    if (listing->next + 8 < listing->items.size())
        __builtin_prefetch(listing->names.data() + listing->items[listing->next + 8].offset);
    const Item& item = listing->items[listing->next++];
    entry->name.assign(listing->names, item.offset, item.length);
    entry->attrib = item.attrib;
    return 0;
}

void findClose(FindHandle handle) {
    if (handle != kFindFailed) delete reinterpret_cast<Listing*>(handle);
}

bool listFolder(const std::string& folder, void (*visit)(const FindEntry& entry, void* context), void* context,
                int64_t* modified) {
    Listing listing;
    if (!readFolder(folder, &listing, modified)) return false;
    sortListing(&listing);
    FindEntry entry;
    for (const Item& item : listing.items) {
        entry.name.assign(listing.names, item.offset, item.length);
        entry.attrib = item.attrib;
        visit(entry, context);
    }
    return true;
}

bool modifiedTime(const std::string& path, int64_t* modified) {
    struct stat info;
    if (stat(path.empty() ? "/" : path.c_str(), &info) != 0) return false;
    *modified = nanoseconds(info.st_mtim);
    return true;
}

bool visitFolder(const std::string& folder, bool (*visit)(const FindEntry& entry, void* context), void* context) {
    DIR* handle = opendir((folder + kSeparator).c_str());
    if (!handle) return false;
    FindEntry found;
    while (const dirent* entry = readdir(handle)) {
        if (isDotOrDotDot(entry->d_name)) continue;
        found.name = entry->d_name;
        found.attrib = attributesOf(handle, entry);
        if (!visit(found, context)) break;
    }
    closedir(handle);
    return true;
}

}  // namespace platform
