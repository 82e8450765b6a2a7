// Whether a music folder holds at least one album, found without reading all
// of it: the check start-up makes before any window opens, while the full scan
// runs later on a thread of its own.
#pragma once

#include <string>

// True exactly when AlbumsLoader(musicPath, ..., depth) would hold an album
// (the same rules, folder_rules.h: visible folders `depth` levels down, or a
// folder above that level holding music, pictures or disc folders). Folders are read in the order the file
// system keeps them and the look ends at the first album, so a folder of a
// hundred thousand albums costs one short read; only a tree without any album
// is read to its end.
bool holdsAnAlbum(const std::string& musicPath, int depth);

// Why a music folder that holds no album holds none, for the message that
// says what to do.
enum class NoAlbumReason {
    Missing,     // nothing of that name (or it cannot be reached)
    NotAFolder,  // a file
    SongsOnly,   // audio files lie directly in it: the albums' songs, without album folders
    NoAlbums,    // empty, unreadable, or only hidden or album-less folders
};
NoAlbumReason whyNoAlbum(const std::string& musicPath);
