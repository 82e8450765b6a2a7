// The album library: every album folder below the music folder, found at
// construction and changed later only on the frame thread, a folder's albums
// at a time (applyChange). An album index is a zero-based int into that list,
// valid until the next change; no operation checks it, callers keep it within
// 0 .. getAlbumsCount() - 1. Whatever must outlive a change is kept by the
// album's key instead.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "library/album.h"
#include "library/album_order.h"
#include "library/folder_rules.h"
#include "library/library_index.h"
#include "library/library_walk.h"
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

// An album a listing found: its caption and its folder's path below the music folder.
struct FoundAlbum {
    std::string caption;
    std::string folder;
};

// How the albums at or below one folder changed, told as what went and what
// came, so that a change of one album in a hundred thousand is made without
// a string per album. albumChangeBetween makes one; AlbumsLoader::applyChange
// makes it in the list.
struct AlbumChange {
    std::string folder;              // below the music folder; "" for the music folder itself
    std::vector<std::string> gone;   // the keys of the albums no longer there
    std::vector<FoundAlbum> added;   // the albums that came, in the order they stand
    std::vector<size_t> addedAt;     // each one's place among the folder's albums after the change
    size_t albumsAfter = 0;          // how many albums the folder holds after it
    bool empty() const { return gone.empty() && added.empty(); }
};
// The change from the albums at or below `folder` being `before` to their
// being `after` (their keys, in the library's order; an album's caption is
// its key's parts joined by " - "). Pure.
AlbumChange albumChangeBetween(const std::string& folder, const std::vector<std::string_view>& before,
                               const std::vector<std::string_view>& after);
// Lists the folder `relative` (above the album level) again with the walk
// (library_walk.h), given what `memory` saw there before, and tells how its
// albums changed; `there` (when given) says whether the folder is there.
AlbumChange walkAgain(const std::string& musicPath, int depth, const std::string& relative, FolderMemory& memory,
                      bool* there = nullptr);

// What one album's tags say (library_index.h's AlbumTags), by its key.
struct TagsOfAlbum {
    std::string key;  // the album's key (getAlbumKey)
    AlbumTags tags;
    int64_t folderModified = 0;  // its folder's time when they were read (platform::modifiedTime)
};

class AlbumsLoader {
public:
    // Scans musicPath at once (searchPath). A missing, unreadable or album-less
    // folder gives an empty library; nothing is reported.
    // Albums are the folders `depth` levels below musicPath (kept within 1 to
    // kMaxDepth). Above that depth a folder that holds audio or picture files,
    // or disc folders, is an album itself and is not descended into. An
    // album's name is its path below musicPath with the parts joined by " - "
    // ("Artist - Album").
    AlbumsLoader(const std::string& musicPath, const std::string& playerPath, int depth = 1);
    // The library of the albums `known` holds (what a walk saw, or the
    // library index's rows: indexed_folders.h), read off it without listing
    // anything; `known` is then kept as a scan's own would be.
    AlbumsLoader(const std::string& musicPath, const std::string& playerPath, int depth, FolderMemory known);
    virtual ~AlbumsLoader();

    int getAlbumsCount();
    const char* getAlbumName(int i);   // valid until the library next changes
    int getAlbumNameLength(int i);     // in bytes; kept for the design: the caption asks getAlbumName alone
    std::string getAlbumFolder(int i);
    // The design's own cover lookup (cover_discovery.cpp), kept as it names it:
    // covers load on the cover loader's threads, which call searchCover
    // themselves, so nothing on the live path runs or reads this lookup.
    std::string getAlbumCover(int i);  // "" before the lookup and when none was found
    bool albumHasCover(int i);         // runs the lookup first if it has not run
    void initAlbumCover(int i);        // the cover lookup, at most once per album
    // The cover streaming's mark (album::loaded), kept for the design: written
    // by the streaming, read by nothing on the live path.
    bool getAlbumLoaded(int i);
    void setAlbumLoaded(int i, bool value);
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

    // The cover picture of the album in `folder`: its full path, or "" when
    // neither the folder nor its first disc folder (isDiscFolderName, in
    // listing order) holds a picture file. Among the picture files of a
    // folder the one of the best coverRank wins; within a rank the listing
    // order decides. `firstDisc` (when given) gets the first disc folder's
    // path, where the cover is looked for inside audio files after the
    // folder's own ("" when there is none, or when a front cover in the
    // folder ended the listing before it). Touches no library state, so the cover loader's threads
    // call it while the frame thread reads the library.
    static std::string searchCover(std::string folder, std::string* firstDisc = nullptr);
    // Whether a file of this name is taken as a picture: looks at the name
    // alone. Names ending in jpg, bmp, png, jpeg or webp, in any letter case.
    static bool is_cover(std::string name);

    static constexpr int kMaxDepth = 3;

    // Makes `change` in the list: the albums gone leave, the new ones take
    // their places among the folder's albums, the ones that stay keep what is
    // known of them. The albums at or below a folder stand together, so
    // this costs a pass over the list and no string per album. False when
    // nothing changed; else `newIndexOfOld` gets, for each album index before
    // the change, its index after it (-1 for one gone).
    bool applyChange(const AlbumChange& change, std::vector<int>* newIndexOfOld);
    // Whether album `i` stands at or below the folder `relative`.
    bool albumIsBelow(int i, const std::string& relative) const;

    // The order of the row (album_order.h), name until set. Album indexes
    // count in it: album i is the i-th of the row, in every operation.
    AlbumOrder getOrder() const { return order_; }
    // Puts the row in `order`, again when it is the one shown (what is known
    // of the albums may have grown). False when no album moved; else
    // `newIndexOfOld` gets each album index's index after, as applyChange.
    bool setOrder(AlbumOrder order, std::vector<int>* newIndexOfOld);
    // Keeps what the tags of the albums `read` names say (an album no longer
    // there is passed over); the row keeps its order until setOrder. How many
    // albums took them.
    int setAlbumTags(const std::vector<TagsOfAlbum>& read);
    // Keeps when the albums named came (seconds since 1970), as setAlbumTags.
    int setAlbumsAdded(const std::vector<std::pair<std::string, int64_t>>& added);
    bool getAlbumTagsRead(int i);
    int64_t getAlbumTagsModified(int i);  // the folder's time its tags were read at
    int64_t getAlbumAdded(int i);         // 0: not known
    int getAlbumYear(int i);  // 0: none, or not read yet
    // The album index of the album whose key is `key`; when it is not there,
    // of the album that now stands where it stood by name (the first after
    // it, else the last). -1 when the library is empty.
    int albumAtKey(const std::string& key) const;
    // How many albums' tags are read, of getAlbumsCount().
    int albumsWithTagsRead() const;

    // What the scan saw of the music folder and the folders above the album
    // level (their sub-folders and times), handed on once to the library's
    // watch, which then need not walk them again.
    FolderMemory takeFoldersSeen();

private:
    void searchPath();
    // Appends every album foldersSeen knows, in the library's order.
    void readAlbums();
    // Appends a record whose caption is `caption` and whose folder is `relative` below musicPath.
    void addAlbum(std::string_view caption, std::string_view relative);
    // Fills a new record (texts added to the buffer); false when the buffer is full.
    bool makeRecord(std::string_view caption, std::string_view relative, album* record);
    uint32_t addText(std::string_view text);
    // Album index i's place in albumList: the same in name order.
    size_t at(int i) const { return row_.empty() ? size_t(i) : row_[size_t(i)]; }
    // The key of albumList[place], and whether it lies at or below `relative`.
    std::string_view keyAt(size_t place) const;
    bool placeIsBelow(size_t place, const std::string& relative) const;
    // Each album's facts in albumList's order, for albumRowOrder.
    std::vector<AlbumFacts> albumFacts() const;
    // Makes row_ anew for order_; sets newRowOfPlace (albumList place -> album index).
    void makeRow(std::vector<int>* newRowOfPlace);
    // Calls keep(place) for the albums whose keys are among `keys`, in one pass.
    template <class Keep>
    int forKeys(const std::vector<std::string_view>& keys, Keep keep);
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
    std::vector<album> albumList;     // in scan order (name order): its places
    std::vector<album> spareList_;    // the list before the last change, its room kept for the next:
                                      // a new one would be fresh pages, at 100,000 albums milliseconds
    AlbumOrder order_ = AlbumOrder::Name;
    std::vector<uint32_t> row_;       // the row's places in albumList by album index; empty in name order
    std::vector<std::string> covers;  // the cover paths found so far; album::cover indexes them
    FolderMemory foldersSeen;         // what the scan saw above the album level, until taken
};
