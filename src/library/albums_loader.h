// The album library: every album folder below the music folder, fixed at
// construction. An album index is a zero-based int into that list, valid for
// the library's whole life; no operation checks it, callers keep it within
// 0 .. getAlbumsCount() - 1.
#pragma once

#include <string>
#include <vector>

#include "library/album.h"

class AlbumsLoader {
public:
    // Scans musicPath at once (searchPath). A missing, unreadable or album-less
    // folder gives an empty library; nothing is reported.
    // Albums are the folders `depth` levels below musicPath (kept within 1 to
    // kMaxDepth). Above that depth a folder that holds audio or picture files is
    // an album itself and is not descended into. An album's name is its path
    // below musicPath with the parts joined by " - " ("Artist - Album").
    AlbumsLoader(const std::string& musicPath, const std::string& playerPath, int depth = 1);
    virtual ~AlbumsLoader();

    int getAlbumsCount();
    const char* getAlbumName(int i);   // valid while the library lives
    int getAlbumNameLength(int i);     // in bytes
    std::string getAlbumFolder(int i);
    std::string getAlbumCover(int i);  // "" before the lookup and when none was found
    bool albumHasCover(int i);         // runs the lookup first if it has not run
    bool getAlbumLoaded(int i);
    void setAlbumLoaded(int i, bool value);
    void initAlbumCover(int i);        // the cover lookup, at most once per album
    void playAlbum(int i);             // starts the player on the album folder; a failed start is one line on stderr

    static constexpr int kMaxDepth = 3;

    // The player's command line as text: "player" "folder".
    static std::string playerCommandLine(const std::string& player, const std::string& folder);

private:
    void searchPath();
    // One folder `level` levels below musicPath, with its name so far.
    void searchFolder(std::string folder, std::string name, int level);
    void addAlbum(std::string folder, std::string name);
    std::string searchCover(std::string folder);
    bool is_cover(std::string name);
    // folder + separator + name, built in one allocation.
    static std::string pathIn(const std::string& folder, const std::string& name);

    std::string musicPath;
    std::string playerPath;
    int depth;
    std::vector<album> albumList;

    friend class AlbumsLoaderTestAccess;
};
