// The library changing under the running browser, on the frame thread: the
// watch's changes made in one step between two passes. The album list, the
// texture table, the covers' state and the selection all change together;
// the selected album stays in the middle, or, when it went, the nearest one
// takes its place, and the row does not jump.
#pragma once

#include <string>
#include <vector>

class LibraryIndex;
class LibraryWatch;

// The watch the frame loop takes its changes from, owned by the entry;
// nullptr when the library does not follow its folder.
extern LibraryWatch* libraryWatch;
// The library index (library/library_index.h), owned by the entry: opened by
// the scan, handed over with the library, deleted at shutdown after the
// watch and after the selected album was queued into it. What the program
// learns of its albums goes there through write(), from any thread, until
// shutdown. nullptr when the libraryindex setting is off (or before the library).
extern LibraryIndex* libraryIndex;
// The music folder as the empty window names it.
extern std::string libraryFolderForPeople;

struct Selection {
    int current = 0;
    float position = 0;
};

// Where the selection stands after a change that moved each album from its
// index to newIndexOfOld[index] (-1: gone), with `newCount` albums left. The
// selected album keeps the middle; one gone gives it to the nearest album
// still there, the next one first. The position moves with the albums, so
// what is on screen does not jump.
Selection selectionAfterChange(const std::vector<int>& newIndexOfOld, Selection before, int newCount);

// The frame loop's hook: makes the changes the watch found, and names the
// album folders worth watching now. True when the window must be drawn again.
bool applyLibraryChanges();

// The one line the window shows while the library is empty.
std::string emptyLibraryLine();

// Makes the album list change `newIndexOfOld` describes in every per-album
// table and in the selection (the list itself has changed already).
void libraryReordered(const std::vector<int>& newIndexOfOld);
