// The library index's one writer: takes the queued change groups, gathers
// them for a moment into one batch, and writes the batch in one transaction.
// A failure to write ends writing for the run after one line: nothing is
// tried again, the rest is dropped.
#include "library/index_writer.h"

#include <sqlite3.h>

#include <cstdio>
#include <memory>

#include "library/albums_loader.h"
#include "platform/log_text.h"
#include "platform/platform.h"

using index_database::Connection;
using index_database::Found;
using index_database::Statement;

namespace {

// A batch may wait this long for another process's transaction to end.
constexpr int kWriteBusyMs = 5000;

class Writer {
public:
    explicit Writer(LibraryIndex::Shared& shared) : shared_(shared) {}

    // Writes every group of `batch` in one transaction; false when writing has to end.
    bool write(const std::vector<IndexChanges>& batch) {
        if (!db_.isOpen() && !open()) return false;
        if (!db_.run("BEGIN IMMEDIATE")) return false;
        bool written = libraryId_ != 0 || findLibrary();
        for (size_t i = 0; written && i < batch.size(); ++i)
            for (const IndexChanges::Change& change : batch[i].list())
                if (!(written = apply(change))) break;
        if (written && db_.run("COMMIT")) return true;
        // The failure's code and text stay the connection's: the rollback goes around them.
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }

    // Says why writing ends, in one line, and lets the connection go.
    void end() {
        const std::string shown = platform::printable(shared_.path);
        const bool damaged = index_database::isDamage(db_.code());
        const std::string error = db_.error();
        statements_.reset();
        db_.close();
        if (damaged)
            setDamagedIndexAside(shared_.path, error, "a new one is made at the next start");
        else
            sayAboutIndex("not writing the library index " + shown + " any more: " + error);
    }

    ~Writer() { statements_.reset(); }  // before the connection

private:
    // Every statement a batch uses, prepared once per connection.
    struct Statements {
        explicit Statements(Connection& db)
            : albumFound(db,
                         "INSERT INTO album (library, place, caption, modified, added) VALUES (?1, ?2, ?3, ?4, ?5) "
                         "ON CONFLICT (library, place) DO UPDATE SET caption = excluded.caption, "
                         "modified = excluded.modified "
                         "WHERE caption IS NOT excluded.caption OR modified IS NOT excluded.modified"),
              albumGone(db, "DELETE FROM album WHERE library = ?1 AND place = ?2"),
              albumsBelow(db, "DELETE FROM album WHERE library = ?1 AND place >= ?2 AND place < ?3"),
              allAlbums(db, "DELETE FROM album WHERE library = ?1"),
              folderListed(db,
                           "INSERT INTO folder (library, key, modified) VALUES (?1, ?2, ?3) "
                           "ON CONFLICT (library, key) DO UPDATE SET modified = excluded.modified "
                           "WHERE modified IS NOT excluded.modified"),
              folderGone(db, "DELETE FROM folder WHERE library = ?1 AND key = ?2"),
              foldersBelow(db, "DELETE FROM folder WHERE library = ?1 AND key > ?2 AND key < ?3"),
              allFolders(db, "DELETE FROM folder WHERE library = ?1"),
              tagsRead(db, "UPDATE album SET tags_modified = ?3, year = ?4, artist = ?5, title = ?6 "
                           "WHERE library = ?1 AND place = ?2"),
              albumSelected(db, "UPDATE library SET last_album = ?2 WHERE id = ?1"),
              albumAdded(db, "UPDATE album SET added = ?3 WHERE library = ?1 AND place = ?2") {}

        bool ok() const {
            for (const Statement* statement : {&albumFound, &albumGone, &albumsBelow, &allAlbums, &folderListed,
                                               &folderGone, &foldersBelow, &allFolders, &tagsRead, &albumSelected,
                                               &albumAdded})
                if (!statement->ok()) return false;
            return true;
        }

        Statement albumFound, albumGone, albumsBelow, allAlbums, folderListed, folderGone, foldersBelow,
            allFolders, tagsRead, albumSelected, albumAdded;
    };

    bool open() {
        // This connection writes the journal back into the file when it ends.
        if (!db_.open(shared_.path, kWriteBusyMs, true)) return false;
        Found found = Found::Empty;
        if (!index_database::examine(db_, &found)) return false;
        // Set aside and made anew by another process since it was opened?
        if (found == Found::Empty && !index_database::makeSchema(db_, &found)) return false;
        if (found != Found::Ours) return db_.fail(SQLITE_MISMATCH);
        statements_ = std::make_unique<Statements>(db_);
        return statements_->ok();
    }

    // The library's row, made when it is new; inside the batch's transaction.
    bool findLibrary() {
        Statement make(db_, "INSERT INTO library (folder, depth) VALUES (?1, ?2) ON CONFLICT DO NOTHING");
        make.bind(1, shared_.musicFolder);
        make.bind(2, int64_t(shared_.depth));
        if (!make.run()) return false;
        Statement find(db_, "SELECT id FROM library WHERE folder = ?1 AND depth = ?2");
        find.bind(1, shared_.musicFolder);
        find.bind(2, int64_t(shared_.depth));
        if (!find.step()) return false;
        libraryId_ = find.integer(0);
        return true;
    }

    bool apply(const IndexChanges::Change& change) {
        using Kind = IndexChanges::Kind;
        Statements& s = *statements_;
        const std::string place = pathSortKey(change.key);  // bound as it stands: lives until the step
        switch (change.kind) {
        case Kind::AlbumFound:
            s.albumFound.bind(1, libraryId_);
            s.albumFound.bindBlob(2, place);
            if (change.text != change.key) s.albumFound.bind(3, change.text);  // else NULL: the key says it
            s.albumFound.bind(4, change.modified);
            s.albumFound.bind(5, change.added);
            return s.albumFound.run();
        case Kind::AlbumGone:
            s.albumGone.bind(1, libraryId_);
            s.albumGone.bindBlob(2, place);
            return s.albumGone.run();
        case Kind::FolderListed:
            s.folderListed.bind(1, libraryId_);
            s.folderListed.bind(2, change.key);
            s.folderListed.bind(3, change.modified);
            return s.folderListed.run();
        case Kind::ForgetBelow:
            if (change.key.empty()) return withKey(s.allAlbums, "") && withKey(s.allFolders, "");
            return albumsAtOrBelow(place) && withKey(s.folderGone, change.key) && foldersBelow(change.key);
        case Kind::TagsRead:
            // Parameters left unbound are NULL: what the tags did not say.
            s.tagsRead.bind(1, libraryId_);
            s.tagsRead.bindBlob(2, place);
            s.tagsRead.bind(3, change.modified);
            if (change.year != 0) s.tagsRead.bind(4, int64_t(change.year));
            if (!change.text.empty()) s.tagsRead.bind(5, change.text);
            if (!change.title.empty()) s.tagsRead.bind(6, change.title);
            return s.tagsRead.run();
        case Kind::AlbumSelected:
            return withKey(s.albumSelected, change.key);
        case Kind::AlbumAdded:
            s.albumAdded.bind(1, libraryId_);
            s.albumAdded.bindBlob(2, place);
            s.albumAdded.bind(3, change.added);
            return s.albumAdded.run();
        }
        return false;
    }

    // A statement of the library and a key (one without ?2 ignores the key).
    bool withKey(Statement& statement, const std::string& key) {
        statement.bind(1, libraryId_);
        statement.bind(2, key);
        return statement.run();
    }

    // The album at a folder and those below it: the places that begin with
    // the folder's own `place` (which ends in a 0 byte, so the next one up ends in 1).
    bool albumsAtOrBelow(const std::string& place) {
        std::string end = place;
        end.back() = '\1';
        statements_->albumsBelow.bind(1, libraryId_);
        statements_->albumsBelow.bindBlob(2, place);
        statements_->albumsBelow.bindBlob(3, end);
        return statements_->albumsBelow.run();
    }

    // The folders below the folder `key`: the keys that begin with it and a separator.
    bool foldersBelow(const std::string& key) {
        const std::string from = key + platform::kSeparator;
        const std::string to = key + char(platform::kSeparator + 1);
        statements_->foldersBelow.bind(1, libraryId_);
        statements_->foldersBelow.bind(2, from);
        statements_->foldersBelow.bind(3, to);
        return statements_->foldersBelow.run();
    }

    LibraryIndex::Shared& shared_;
    Connection db_;
    int64_t libraryId_ = 0;
    std::unique_ptr<Statements> statements_;
};

}  // namespace

void runIndexWriter(LibraryIndex::Shared& shared) {
    platform::lowerThreadPriority();  // what it writes can wait; the frames cannot
    {
        Writer writer(shared);  // its connection closes (writing the journal back) before the end is told
        std::unique_lock<std::mutex> lock(shared.mutex);
        for (;;) {
            shared.wake.wait(lock, [&] { return shared.stop || !shared.queue.empty(); });
            if (shared.queue.empty()) break;  // told to end, and nothing left
            // Others may join the batch until it is kBatchWait old.
            shared.wake.wait_until(lock, shared.firstQueued + LibraryIndex::kBatchWait,
                                   [&] { return shared.stop || shared.flushWanted; });
            std::vector<IndexChanges> batch;
            batch.swap(shared.queue);
            shared.flushWanted = false;
            lock.unlock();
            if (shared.writing.load() && !writer.write(batch)) {
                shared.writing = false;
                writer.end();
            }
            const size_t groups = batch.size();
            batch.clear();  // its memory goes outside the lock
            lock.lock();
            shared.done += groups;
            shared.changed.notify_all();
        }
    }
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.running = false;
    shared.changed.notify_all();
}

void sayAboutIndex(const std::string& line) {
    std::fputs(("vellora: " + line + "\n").c_str(), stderr);
    std::fflush(stderr);
}

bool setDamagedIndexAside(const std::string& path, const std::string& damage, const char* then) {
    const std::string aside = path + ".damaged";
    const std::string said = "the library index " + platform::printable(path) + " is damaged (" + damage + "): ";
    std::string error;
    // Its journal goes with it: left beside a new file, SQLite would replay it there.
    platform::removeFile(aside + "-wal");
    const bool moved = (platform::renameFile(path + "-wal", aside + "-wal", &error) ||
                        platform::removeFile(path + "-wal")) &&
                       platform::renameFile(path, aside, &error);
    if (!moved) {
        sayAboutIndex(said + "it cannot be moved aside (" + platform::printable(error) + "): going on without it");
        return false;
    }
    platform::removeFile(path + "-shm");
    platform::removeFile(path + "-journal");
    sayAboutIndex(said + "moved to " + platform::printable(aside) + ", " + then);
    return true;
}
