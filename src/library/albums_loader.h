// The album library: every album folder below the music folder, found at
// construction and changed later only on the frame thread, a folder's albums
// at a time (replaceBelow). An album index is a zero-based int into that list,
// valid until the next change; no operation checks it, callers keep it within
// 0 .. getAlbumsCount() - 1. Whatever must outlive a change is kept by the
// album's key instead.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "library/album.h"
#include "platform/platform.h"

// Why the player did not start: which one (as the user knows it; "" when no
// default player was found), the reason, and the command line that failed
// (for people: see platform::commandLineForPeople).
struct PlayerFailure {
    std::string player;
    std::string reason;
    std::string commandLine;
    std::string errorLine{};  // the first line it wrote to standard error, when it ended at once
    bool noEnqueue = false;   // nothing was started: the player has no way to add to its list
};

// The programs hand-overs started, kept by their caller from one to the next.
struct PlayerRuns {
    std::shared_ptr<platform::StartedProgram> playing;  // the one playing: the last Play's (it may have ended)
    std::shared_ptr<platform::StartedProgram> last;     // the last one started, Play or Enqueue
    std::string lastPlayer, lastCommandLine;            // its player and command line, as PlayerFailure's
};

// Whether the folder path `path` (below the music folder) is `folder` or lies
// below it; every path lies below "", the music folder itself.
bool pathIsAtOrBelow(std::string_view path, std::string_view folder);
// How many levels below the music folder a folder path lies: 0 for "".
int pathLevel(std::string_view path);
// The scan's order of folder paths below the music folder: part by part in
// listing order, a folder before the folders below it.
bool pathListedBefore(std::string_view a, std::string_view b);
// The same order as bytes: pathSortKey(a) < pathSortKey(b) byte by byte
// exactly when pathListedBefore(a, b). Each part gives its letters folded to
// upper case, a 0 byte, itself and a 0 byte; the keys of the paths below a
// folder are the ones that begin with the folder's key. pathFromSortKey
// puts the path back into `path`.
std::string pathSortKey(std::string_view path);
void pathFromSortKey(std::string_view key, std::string* path);

// An album a listing found: its caption and its folder's path below the music folder.
struct FoundAlbum {
    std::string caption;
    std::string folder;
};

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
    // Starts the player on the album's folder, made absolute from the working
    // folder the library was made in (so a folder named "-x" is never taken for
    // an option). Play replaces what the player plays: when ending it is the
    // player's way, `runs->playing` is ended first, and the new program takes
    // its place. Enqueue adds the album to the player's list; its program
    // takes `runs->playing` only when none plays. False when it cannot be
    // started, with `failure` (when given) saying which player and why;
    // nothing is written anywhere.
    bool playAlbum(int i, PlayerFailure* failure = nullptr, platform::PlayerAction action = platform::PlayerAction::Play,
                   PlayerRuns* runs = nullptr);
    // What playAlbum(i, ..., action) starts, searching the default players in `searchPath`.
    platform::ProgramCall playerCall(int i, const std::string& searchPath,
                                     platform::PlayerAction action = platform::PlayerAction::Play);
    // The playerarguments setting ("" when not set), used from the next playAlbum on.
    void setPlayerArguments(const std::string& arguments);
    // The enqueuearguments and endplayer settings, used from the next playAlbum on.
    void setEnqueueArguments(const std::string& arguments);
    void setEndPlayer(bool endPrevious);

    // The album's identity for everything kept per album while the program
    // runs (its cover's texture, a cover being loaded): its folder's path
    // below the music folder. Unlike the index it does not change when albums
    // are added or removed.
    std::string getAlbumKey(int i);

    // The cover picture in `folder`: its full path, or "" when the folder holds
    // no picture file or cannot be listed. Lists the folder once. Among the
    // picture files the one of the best coverRank wins; within a rank the
    // listing order decides. Touches no library state, so the cover loader's
    // threads call it while the frame thread reads the library.
    static std::string searchCover(std::string folder);
    // Whether a file of this name is taken as a picture: looks at the name
    // alone. Names ending in jpg, bmp, png, jpeg or webp, in any letter case.
    static bool is_cover(std::string name);

    static constexpr int kMaxDepth = 3;

    // What listing one folder below the music folder again finds.
    struct FolderListing {
        bool listed = false;               // the folder is there (an empty one too)
        std::vector<FoundAlbum> albums;    // every album at or below it, in the library's order
        std::vector<std::string> above;    // the folders above the album level it went through
    };
    // Lists the folder `relative` below `musicPath` ("" for the music folder
    // itself) as the scan would: the albums in and below it. An album's own
    // folder (at `depth` or deeper) has nothing to list: listed stays false.
    // Touches no library: runs on any thread.
    static FolderListing listBelow(const std::string& musicPath, int depth, const std::string& relative);

    // Makes `found` the albums at or below the folder `relative` ("" for all):
    // the ones no longer there go, the new ones take their places in the
    // order, the ones that stay keep what is known of them. False when
    // nothing changed; else `newIndexOfOld` gets, for each album index before
    // the change, its index after it (-1 for one gone).
    bool replaceBelow(const std::string& relative, const std::vector<FoundAlbum>& found, std::vector<int>* newIndexOfOld);
    // Whether album `i` stands at or below the folder `relative`.
    bool albumIsBelow(int i, const std::string& relative) const;
    // Forgets album `i`'s cover lookup: its folder changed.
    void forgetAlbumCover(int i);

private:
    void searchPath();
    // A folder `level` levels below musicPath (above the album level), given by
    // its path below musicPath and its caption so far.
    void searchFolder(const std::string& relative, const std::string& caption, int level);
    // Appends a record whose caption is `caption` and whose folder is
    // `relative` below musicPath (or, without it, the caption itself).
    void addAlbum(const std::string& caption);
    void addAlbum(const std::string& caption, const std::string& relative);
    // Fills a new record (texts added to the buffer); false when the buffer is full.
    bool makeRecord(const std::string& caption, const std::string& relative, album* record);
    uint32_t addText(const std::string& text);
    // Rebuilds the name buffer from the albums there are, once removed ones' texts fill much of it.
    void compactNames();

    std::string musicPath;
    std::string playerPath;           // "" when not set: the first default player found
    std::string playerArguments;      // "" when not set: the player's own, if a default
    std::string enqueueArguments;     // "" when not set: the player's own, if a default
    bool endPlayer = true;            // end the player started last before the next Play
    std::string startFolder;          // the working folder when the library was made
    int depth;
    std::string names;                // every caption and folder path, each followed by a NUL
                                      // (a removed album's stay until the buffer is rebuilt)
    size_t removedText_ = 0;          // bytes of names left by albums that went
    std::vector<album> albumList;     // in scan order; the position is the album index
    std::vector<std::string> covers;  // the cover paths found so far; album::cover indexes them
};
