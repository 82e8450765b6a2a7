// The library's rules about names and folders, each in one place, asked by
// every walk, listing and lookup of the library: which names are hidden,
// which entries make a folder an album, which folders are an album's discs,
// how deep albums lie, and how folder paths are joined, ordered and compared.
//
// A folder's key is its path below the music folder, its parts joined by the
// platform's separator; "" is the music folder itself.
#pragma once

#include <string>
#include <string_view>

namespace platform {
struct FindEntry;
}

// The album depth kept within 1 .. AlbumsLoader::kMaxDepth: the nearest.
int clampDepth(int depth);

// Names beginning with a dot (and the empty name) are hidden: never an album,
// a cover, an audio file or a disc.
bool isHiddenName(std::string_view name);
// An audio file (isAudioName) or a picture file (AlbumsLoader::is_cover), by its name.
bool isMediaName(const std::string& name);
// A folder named as one disc of an album: the word CD, Disc or Disk and a
// number ("CD1", "CD 2", "Disc 01", "disk_3"), or Side and a letter or number
// ("Side A"), any letter case, optionally followed by more after a
// non-alphanumeric character ("Disc 1 - Live"). "Discography" is not.
bool isDiscFolderName(std::string_view name);
// Whether the listing entry makes the folder it lies in an album (when that
// folder lies above the album level): a visible audio or picture file, or a
// visible disc folder (an album whose songs sit in CD1/, CD2/ is one album).
bool makesAnAlbum(const platform::FindEntry& entry);

// `folder`, the separator, `name`: the one way a path is made of a folder and
// a name in it ("" is the root folder). A folder that ends in the separator
// (a root: "/", "D:\") gets no second one.
std::string joinPath(std::string_view folder, std::string_view name);
// The folder `key` below the music folder `musicPath`.
std::string pathOfKey(std::string_view musicPath, std::string_view key);
// The key of the folder `name` in the folder whose key is `key`.
std::string keyBelow(std::string_view key, std::string_view name);
// An album's caption from its key: the parts joined by " - " ("Artist - Album").
std::string captionOfKey(std::string_view key);
// The artist folder an album's key lies in: its first part, when it has more
// than one ("Artist/Album"); "" for an album right in the music folder.
std::string_view artistFolderOfKey(std::string_view key);

// Whether the key `path` is `folder` or lies below it; every key lies below
// "", the music folder itself.
bool pathIsAtOrBelow(std::string_view path, std::string_view folder);
// How many levels below the music folder a key lies: 0 for "".
int pathLevel(std::string_view path);
// The scan's order of keys: part by part in listing order, a folder before
// the folders below it.
bool pathListedBefore(std::string_view a, std::string_view b);
// The same order as bytes: pathSortKey(a) < pathSortKey(b) byte by byte
// exactly when pathListedBefore(a, b). Each part gives its letters folded to
// upper case, a 0 byte, itself and a 0 byte; the keys of the paths below a
// folder are the ones that begin with the folder's key. pathFromSortKey
// puts the path back into `path`.
std::string pathSortKey(std::string_view path);
void pathFromSortKey(std::string_view key, std::string* path);
