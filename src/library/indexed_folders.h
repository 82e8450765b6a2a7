// The library index and the walk's memory (library_walk.h) told in each
// other's terms: the rows a start reads become the memory a library is built
// from and a later walk compares with, and what a walk saw becomes rows.
// Folder times are kept in the index as the walk reads them (nanoseconds
// since 1970; 0: list it again), so a time matches only when it is the same.
// An album at the album level has no time of its own here (0): the walk
// never looks at its folder, only at its parent's.
#pragma once

#include <string>
#include <vector>

#include "library/albums_loader.h"
#include "library/library_index.h"
#include "library/library_walk.h"

// The walk's memory of the library at `depth` as `index` holds it; false
// (and `memory` empty) when the index holds no album of it. A row whose key
// no walk could have made (a hidden or empty part, too deep) is passed over.
// `lastAlbum`, when given, gets the key of the album selected last ("" none).
bool readIndexedFolders(LibraryIndex& index, int depth, FolderMemory* memory, std::string* lastAlbum = nullptr);

// Everything `memory` knows, as groups for a first start's index: one per
// folder above the album level, its time with the albums in it, so a folder
// time in the index always comes with its albums.
std::vector<IndexChanges> changesOfMemory(const FolderMemory& memory, int depth);

// What one listing again of `relative` changed, as one group: the albums
// gone and come (`change`), the folders above the album level there then
// (`foldersBefore`) and now (in `memory`, after the walk), with their times.
IndexChanges changesOfListing(const FolderMemory& memory, int depth, const std::string& relative,
                              const AlbumChange& change, const std::vector<std::string>& foldersBefore);
