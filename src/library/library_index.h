// The library index: what the browser remembers of its music folders between
// runs, in one SQLite file, so that a start can show the library before the
// folder has been walked again, and what is slow to learn (an album's tags,
// when it came, the album selected last) is learnt once.
//
// - One file for every library: libraryIndexPath(), 0600 in a 0700 folder. A
//   library is a music folder (its absolute path, as text) at one depth; the
//   same folder at another depth is another library.
// - Rows (the schema is in index_database.cpp): one per album with its key
//   (the folder below the music folder), caption, folder modification time,
//   the time the index first saw it, and, once its tags are read, year,
//   album artist and album title; one per folder above the album level (""
//   is the music folder itself) with its modification time; one per library
//   with the album selected last. Albums are kept in the scan's order
//   (pathSortKey), so reading them needs no sort.
// - Changes come in groups (IndexChanges), each written whole in one
//   transaction. Put a folder's time in the same group as the albums its
//   listing found: a folder time in the index then always means that its
//   albums were recorded at that time, so a walk may skip a folder whose time
//   has not changed.
// - The constructor and read() talk to SQLite on the calling thread (the
//   scan thread; never the frame thread). write() only queues under a mutex:
//   one writer thread of the object's own writes what is queued, in batches
//   of one transaction each (WAL journal, so readers and other processes go
//   on beside it). A batch is what was queued within kBatchWait of its first
//   group.
// - Never worse than no index: nothing here fails. A file that is not a
//   database or is damaged is moved aside (PATH.damaged) and a new one made
//   (damage first met while reading or writing: at the next start);
//   one of an older schema is emptied and made anew; one of a newer schema,
//   another program's file, one locked by another program or one that cannot
//   be read is left alone and not used this run. When writing fails (a
//   read-only file or folder, a full disk) nothing more is written this run,
//   and nothing is tried again. Each of these says one line on stderr. Killed
//   at any moment, the file loses at most the batch being written. Several
//   processes may use one file at once.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The `added` of an album the first walk of a library found: it was there
// before the index, and when it came is read from its files later.
constexpr int64_t kAddedBeforeIndex = 1;

// What an album's tags said; what they did not say stays 0 / "".
struct AlbumTags {
    int year = 0;
    std::string artist;  // the album artist
    std::string title;   // the album title
};

// One album as the index knows it, while it is read: the texts are views
// into the row, valid only until the visitor it is handed to returns. Times
// are seconds since 1970.
struct IndexedAlbumRow {
    std::string_view key;       // its folder below the music folder
    std::string_view caption;
    int64_t modified = 0;       // its folder's modification time when last recorded
    int64_t added = 0;          // when the index first saw it
    bool tagsRead = false;      // `year`, `artist` and `title` were read, when its folder's time was `tagsModified`
    int64_t tagsModified = 0;
    int year = 0;               // 0, "": the tags did not say
    std::string_view artist;    // the album artist
    std::string_view title;     // the album title
};

// The same, owning its texts.
struct IndexedAlbum {
    IndexedAlbum() = default;
    explicit IndexedAlbum(const IndexedAlbumRow& row)
        : key(row.key), caption(row.caption), modified(row.modified), added(row.added), tagsRead(row.tagsRead),
          tagsModified(row.tagsModified), tags{row.year, std::string(row.artist), std::string(row.title)} {}
    std::string key;
    std::string caption;
    int64_t modified = 0;
    int64_t added = 0;
    bool tagsRead = false;
    int64_t tagsModified = 0;
    AlbumTags tags;
};

struct IndexedFolder {
    std::string key;        // below the music folder; "" the music folder itself
    int64_t modified = 0;
};

// Everything the index holds of one library.
struct IndexedLibrary {
    std::vector<IndexedAlbum> albums;    // in the scan's order (pathListedBefore)
    std::vector<IndexedFolder> folders;  // the folders above the album level, in no particular order
    std::string lastAlbum;               // the key of the album selected last; "" none
};

// Changes written together, in one transaction, in the order given.
class IndexChanges {
public:
    // An album found by a listing: its row made (added at `added`, or now
    // when 0) or brought up to date (its added time kept).
    void albumFound(const std::string& key, const std::string& caption, int64_t modified, int64_t added = 0);
    void albumGone(const std::string& key);
    // A folder above the album level listed at its modification time `modified`.
    void folderListed(const std::string& key, int64_t modified);
    // Every album and folder row at or below the folder `key` goes ("": the whole library).
    void forgetBelow(const std::string& key);
    // The album's tags, read when its folder's time was `folderModified`.
    void tagsRead(const std::string& key, const AlbumTags& tags, int64_t folderModified);
    // The album selected last: the start-where-you-left-off album.
    void albumSelected(const std::string& key);
    // When the album came, learnt late: for an album there before the index
    // (kAddedBeforeIndex), the newest time among its folder's files.
    void albumAdded(const std::string& key, int64_t added);

    bool empty() const { return list_.empty(); }

    // The changes as the writer takes them.
    enum class Kind : uint8_t { AlbumFound, AlbumGone, FolderListed, ForgetBelow, TagsRead, AlbumSelected, AlbumAdded };
    struct Change {
        Kind kind;
        std::string key;
        std::string text;   // AlbumFound: the caption; TagsRead: the artist
        std::string title;  // TagsRead
        int64_t modified = 0;
        int64_t added = 0;
        int year = 0;
    };
    const std::vector<Change>& list() const { return list_; }

private:
    std::vector<Change> list_;
};

class LibraryIndex {
public:
    // A group waits at most this long for others to share its batch.
    static constexpr std::chrono::milliseconds kBatchWait{250};
    // The destructor waits at most this long for the last batch.
    static constexpr std::chrono::milliseconds kEndWait{2000};

    // Opens the index file at `path` (made when missing) for the library of
    // `musicFolder` at `depth`, mending or setting aside a damaged file as
    // the design above says. `path` "" opens none, silently: read() finds
    // nothing and changes are dropped.
    LibraryIndex(const std::string& path, const std::string& musicFolder, int depth);
    // Writes what is still queued, waiting at most kEndWait; a writer still
    // held by then (a lock another program keeps, a dead disk) is left to
    // end with the process, and leftBehind() says so.
    ~LibraryIndex();
    LibraryIndex(const LibraryIndex&) = delete;
    LibraryIndex& operator=(const LibraryIndex&) = delete;

    // Whether the index can be read, and whether changes are still written.
    bool readable() const;
    bool writing() const;

    // Everything the index holds of this library, on the calling thread.
    // False (and `library` empty) when the index cannot be read or has never
    // seen this library.
    bool read(IndexedLibrary* library);
    // The same without a copy of each album: every album is handed to
    // `visit` in the scan's order (library->albums stays empty), then the
    // folders and the last album go into `library`. After a false, the
    // albums visited so far are not to be used.
    bool read(IndexedLibrary* library, const std::function<void(const IndexedAlbumRow&)>& visit);

    // Queues `changes` for the writer thread; never waits on SQLite. Dropped
    // when nothing is written any more.
    void write(IndexChanges changes);
    // Asks for what is queued to be written now and waits at most
    // `milliseconds` for it: true once all of it is written (or dropped
    // because writing has ended). For tests and the end of a run.
    bool flush(uint32_t milliseconds);

    // True once a destructor left its writer behind.
    static bool leftBehind();

    struct Shared;  // what the writer thread shares with the object

private:
    std::shared_ptr<Shared> shared_;
};

// Where the index lives: platform::programCacheFolder() + "library.sqlite";
// "" when the system names no cache folder.
std::string libraryIndexPath();
