// The album library: every album sub-folder of the music folder, fixed at
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
    AlbumsLoader(const std::string& musicPath, const std::string& playerPath);
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

    // The player's command line as text: "player" "folder".
    static std::string playerCommandLine(const std::string& player, const std::string& folder);

private:
    void searchPath();
    std::string searchCover(std::string folder);
    bool is_cover(std::string name);
    // folder + separator + name, built in one allocation.
    static std::string pathIn(const std::string& folder, const std::string& name);

    std::string musicPath;
    std::string playerPath;
    std::vector<album> albumList;

    friend class AlbumsLoaderTestAccess;
};
