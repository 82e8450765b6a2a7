// The library index: opening the file (and what is done with a damaged,
// foreign or locked one), reading a library's rows, and the queue the
// writer thread takes its change groups from (index_writer.cpp).
#include "library/library_index.h"

#include <sqlite3.h>

#include <ctime>
#include <thread>

#include "library/albums_loader.h"
#include "library/index_writer.h"
#include "platform/log_text.h"
#include "platform/platform.h"

using index_database::Connection;
using index_database::Found;
using index_database::Statement;

namespace {

// Opening and reading wait at most this long for another's lock: longer, and
// a start without the index would have been quicker.
constexpr int kReadBusyMs = 500;

std::atomic<bool> writerLeftBehind{false};

const char* const kReadLibrary = "SELECT id, last_album FROM library WHERE folder = ?1 AND depth = ?2";
const char* const kReadAlbums =
    "SELECT place, caption, modified, added, tags_modified, year, artist, title FROM album WHERE library = ?1 "
    "ORDER BY place";
const char* const kReadFolders = "SELECT key, modified FROM folder WHERE library = ?1";

// Whether the file has the tables and columns this program reads.
bool hasOurTables(Connection& db) {
    for (const char* sql : {kReadLibrary, kReadAlbums, kReadFolders})
        if (!Statement(db, sql).ok()) return db.code() == SQLITE_ERROR ? db.fail(SQLITE_CORRUPT, db.error()) : false;
    return true;
}

// Opens the file at shared.path for reading, mending what can be mended;
// says one line for whatever keeps it from being used as it stands.
void openIndex(LibraryIndex::Shared& shared) {
    Connection& db = shared.reader;
    const std::string shown = platform::printable(shared.path);
    Connection::Access access = Connection::Access::ReadWrite;
    for (int attempt = 0;; ++attempt) {
        Found found = Found::Empty;
        bool opened = db.open(shared.path, kReadBusyMs, false, access) && index_database::examine(db, &found);
        if (opened && found == Found::Older)
            sayAboutIndex("the library index " + shown + " is of an older version: making it anew");
        if (opened && (found == Found::Empty || found == Found::Older))
            opened = index_database::makeSchema(db, &found);
        if (opened && found == Found::Ours) opened = hasOurTables(db);
        if (opened && found == Found::Ours) break;
        if (opened) {  // not ours to change
            sayAboutIndex(found == Found::Newer
                              ? "the library index " + shown + " is of a newer version of vellora: going on without it"
                              : shown + " is not a vellora library index: going on without it");
            db.close();
            return;
        }
        const int code = db.code();
        const std::string error = db.error();
        db.close();
        std::string why;
        // A file or folder the user may not write: read what can be read.
        if ((code == SQLITE_READONLY || code == SQLITE_CANTOPEN) && access != Connection::Access::Unchanging) {
            access = access == Connection::Access::ReadWrite ? Connection::Access::ReadOnly
                                                             : Connection::Access::Unchanging;
            continue;
        }
        if (index_database::isDamage(code) && attempt == 0) {
            if (!setDamagedIndexAside(shared.path, error, "starting a new one")) return;
            if (platform::makePrivateFile(shared.path, &why)) continue;
            sayAboutIndex("not keeping a library index: " + platform::printable(why));
        } else if (index_database::isBusy(code)) {
            sayAboutIndex("the library index " + shown + " is locked by another program: going on without it");
        } else {
            sayAboutIndex("cannot use the library index " + shown + " (" + error + "): going on without it");
        }
        return;
    }
    shared.readable = true;
    const bool readOnly = access != Connection::Access::ReadWrite || sqlite3_db_readonly(db.handle(), "main") == 1;
    if (readOnly) sayAboutIndex("the library index " + shown + " is read-only: using it without writing to it");
    shared.writing = !readOnly;
}

}  // namespace

// ------------------------------------------------------------------ changes
void IndexChanges::albumFound(const std::string& key, const std::string& caption, int64_t modified,
                              int64_t added) {
    list_.push_back({Kind::AlbumFound, key, caption, "", modified, added != 0 ? added : int64_t(std::time(nullptr))});
}

void IndexChanges::albumGone(const std::string& key) { list_.push_back({Kind::AlbumGone, key, "", ""}); }

void IndexChanges::folderListed(const std::string& key, int64_t modified) {
    list_.push_back({Kind::FolderListed, key, "", "", modified});
}

void IndexChanges::forgetBelow(const std::string& key) { list_.push_back({Kind::ForgetBelow, key, "", ""}); }

void IndexChanges::tagsRead(const std::string& key, const AlbumTags& tags, int64_t folderModified) {
    list_.push_back({Kind::TagsRead, key, tags.artist, tags.title, folderModified, 0, tags.year});
}

void IndexChanges::albumSelected(const std::string& key) { list_.push_back({Kind::AlbumSelected, key, "", ""}); }

void IndexChanges::albumAdded(const std::string& key, int64_t added) {
    list_.push_back({Kind::AlbumAdded, key, "", "", 0, added});
}

// -------------------------------------------------------------------- index
LibraryIndex::LibraryIndex(const std::string& path, const std::string& musicFolder, int depth)
    : shared_(std::make_shared<Shared>(path, musicFolder, depth)) {
    if (path.empty()) return;
    std::string error;
    const size_t separator = path.find_last_of(platform::kSeparator);
    const bool folderMade = separator == std::string::npos || separator == 0 ||
                            platform::makePrivateFolder(path.substr(0, separator), &error);
    if (!folderMade || !platform::makePrivateFile(path, &error)) {
        sayAboutIndex("not keeping a library index: " + platform::printable(error));
        return;
    }
    openIndex(*shared_);
}

LibraryIndex::~LibraryIndex() {
    Shared& shared = *shared_;
    shared.reader.close();  // never writes the journal back: quick
    std::unique_lock<std::mutex> lock(shared.mutex);
    if (!shared.started) return;
    shared.stop = true;
    shared.wake.notify_one();
    if (!shared.changed.wait_for(lock, kEndWait, [&] { return !shared.running; })) writerLeftBehind = true;
}

bool LibraryIndex::readable() const { return shared_->readable.load(); }

bool LibraryIndex::writing() const { return shared_->writing.load(); }

bool LibraryIndex::leftBehind() { return writerLeftBehind.load(); }

bool LibraryIndex::read(IndexedLibrary* library) {
    std::vector<IndexedAlbum> albums;
    const bool known = read(library, [&](const IndexedAlbumRow& row) { albums.emplace_back(row); });
    if (known) library->albums = std::move(albums);
    return known;
}

bool LibraryIndex::read(IndexedLibrary* library, const std::function<void(const IndexedAlbumRow&)>& visit) {
    *library = IndexedLibrary();
    Shared& shared = *shared_;
    if (!shared.readable) return false;
    Connection& db = shared.reader;
    // One read transaction: the three tables as one moment left them.
    bool ok = db.run("BEGIN");
    bool known = false;
    if (ok) {
        Statement find(db, kReadLibrary);
        find.bind(1, shared.musicFolder);
        find.bind(2, int64_t(shared.depth));
        known = find.step();
        ok = known || db.code() == SQLITE_DONE;
        const int64_t id = known ? find.integer(0) : 0;
        if (known) library->lastAlbum = find.text(1);
        Statement albums(db, kReadAlbums);
        albums.bind(1, id);
        std::string key;
        while (known && albums.step()) {
            IndexedAlbumRow row;
            pathFromSortKey(albums.bytes(0), &key);
            row.key = key;
            row.caption = albums.isNull(1) ? row.key : albums.bytes(1);
            row.modified = albums.integer(2);
            row.added = albums.integer(3);
            row.tagsRead = !albums.isNull(4);
            row.tagsModified = albums.integer(4);
            row.year = int(albums.integer(5));
            row.artist = albums.bytes(6);
            row.title = albums.bytes(7);
            visit(row);
        }
        ok = ok && (!known || db.code() == SQLITE_DONE);
        Statement folders(db, kReadFolders);
        folders.bind(1, id);
        while (ok && known && folders.step()) library->folders.push_back({folders.text(0), folders.integer(1)});
        ok = ok && (!known || db.code() == SQLITE_DONE);
    }
    const int code = db.code();
    const std::string error = db.error();
    sqlite3_exec(db.handle(), "COMMIT", nullptr, nullptr, nullptr);  // ends the read transaction
    if (!ok) {
        *library = IndexedLibrary();
        const std::string shown = platform::printable(shared.path);
        shared.readable = false;
        if (index_database::isDamage(code)) {
            shared.writing = false;
            db.close();
            setDamagedIndexAside(shared.path, error, "a new one is made at the next start");
        } else {
            sayAboutIndex("cannot read the library index " + shown + " (" + error + "): going on without it");
        }
        return false;
    }
    return known;
}

void LibraryIndex::write(IndexChanges changes) {
    Shared& shared = *shared_;
    if (changes.empty() || !shared.writing) return;
    std::lock_guard<std::mutex> lock(shared.mutex);
    if (!shared.started) {
        shared.started = shared.running = true;
        std::thread([keep = shared_] { runIndexWriter(*keep); }).detach();
    }
    if (shared.queue.empty()) shared.firstQueued = std::chrono::steady_clock::now();
    shared.queue.push_back(std::move(changes));
    ++shared.queued;
    shared.wake.notify_one();
}

bool LibraryIndex::flush(uint32_t milliseconds) {
    Shared& shared = *shared_;
    std::unique_lock<std::mutex> lock(shared.mutex);
    if (!shared.started) return true;
    const uint64_t target = shared.queued;
    shared.flushWanted = true;
    shared.wake.notify_one();
    return shared.changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                   [&] { return shared.done >= target; });
}

std::string libraryIndexPath() {
    const std::string folder = platform::programCacheFolder();
    return folder.empty() ? "" : folder + platform::kSeparator + "library.sqlite";
}
