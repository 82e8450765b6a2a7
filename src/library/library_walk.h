// The one walk of the music folder: the start-up scan, a folder listed again
// after a change, and the re-listing of a library that no watch can follow
// all go through it. It lists the folders above the album level, a few at
// once (on a network share each listing is a round trip), notes each one's
// modification time as it lists it, and keeps what it found in a
// FolderMemory. A walk given that memory does not list again a folder whose
// time is the one it had (adding or removing an album changes its parent
// folder's time); it still looks at the folders below one. The albums are
// then read off the memory, so the albums a walk finds and the ones the
// memory says were there before are always told by the same rule.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What a walk saw of one folder: the music folder, or a folder above the album level.
struct FolderSeen {
    int64_t modified = 0;  // its modification time when listed (nanoseconds since 1970); 0: unknown, list it again
    bool album = false;    // it holds music, pictures or disc folders: an album itself, not descended into
    std::string folders;   // otherwise its visible sub-folders in listing order, each followed by a NUL
};
// By key (folder_rules.h): "" for the music folder.
using FolderMemory = std::map<std::string, FolderSeen>;

// How many folders one walk lists at once.
constexpr int kListingThreads = 8;

// Runs work(0) .. work(count - 1), on this thread and up to threads - 1
// more, and returns once every one has returned.
void forEachAtOnce(size_t count, int threads, const std::function<void(size_t)>& work);

// Walks the folder `relative` below `musicPath`, which lies above the album
// level (`depth` levels of albums, kept within 1 .. 3): looks at it and at
// every folder above the album level below it, `threads` at once, listing
// those whose time `memory` does not hold, and brings `memory` up to date for
// them, forgetting what lay at or below `relative` and is gone. False when
// `relative` is not there, or is an album's own folder. Touches nothing but
// `memory` (and `albumsListed`, when given, which counts the albums in the
// folders it lists as it lists them: a long walk's progress): runs on any thread.
bool walkFolders(const std::string& musicPath, int depth, const std::string& relative, FolderMemory& memory,
                 int threads = kListingThreads, std::atomic<size_t>* albumsListed = nullptr);

// Each folder `memory` knows, with the time it holds of it, in key order (a
// folder before the folders below it).
using FolderTimes = std::vector<std::pair<std::string, int64_t>>;
FolderTimes timesKnown(const FolderMemory& memory);
// The folders of `folders` whose modification time is not the one given (or
// no time is given, or they are gone), looked at `threads` at once: what a
// library no watch follows lists again. `stop`, once set, ends the look early.
std::vector<std::string> foldersChanged(const std::string& musicPath, const FolderTimes& folders, int threads,
                                        const std::atomic<bool>* stop = nullptr);

// Each album at or below `relative` that `memory` knows, in the library's
// order: its caption (the key's parts joined by " - ") and its key, valid
// during the call only.
using AlbumFound = std::function<void(std::string_view caption, std::string_view key)>;
void albumsKnown(const FolderMemory& memory, int depth, const std::string& relative, const AlbumFound& found);
// The folders at or below `relative` that `memory` knows above the album
// level and are not albums (the music folder and the artists'), in the
// library's order.
std::vector<std::string> foldersAboveKnown(const FolderMemory& memory, int depth, const std::string& relative);
