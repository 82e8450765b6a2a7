#include "library/index_database.h"

#include <sqlite3.h>

#include <cstring>
#include <string>
#include <vector>

namespace index_database {

namespace {

// The tables. An album's place is pathSortKey of its key (its folder below
// the music folder, bytes as the listing gave them): WITHOUT ROWID keeps each
// album in one b-tree ordered by (library, place), so a library's rows are
// read in one range, already in the scan's order, and an album is found by
// its key alone. Folder keys are the folders' paths with the system's
// separator. Raise kSchemaVersion when the tables or the order change.
const char* const kTables =
    "CREATE TABLE library ("
    " id INTEGER PRIMARY KEY,"
    " folder TEXT NOT NULL,"          // the music folder, absolute
    " depth INTEGER NOT NULL,"
    " last_album TEXT,"               // the key of the album selected last
    " UNIQUE (folder, depth));"
    "CREATE TABLE album ("
    " library INTEGER NOT NULL,"
    " place BLOB NOT NULL,"
    " caption TEXT,"                  // NULL when it is the key itself (depth 1)
    " modified INTEGER NOT NULL,"     // the folder's time, seconds since 1970
    " added INTEGER NOT NULL,"        // when the index first saw it
    " tags_modified INTEGER,"         // the folder's time when its tags were read; NULL: not read
    " year INTEGER,"                  // from the tags; NULL when they say none
    " artist TEXT,"                   // the album artist
    " title TEXT,"                    // the album title
    " PRIMARY KEY (library, place)) WITHOUT ROWID;"
    "CREATE TABLE folder ("           // the folders above the album level
    " library INTEGER NOT NULL,"
    " key TEXT NOT NULL,"             // "" is the music folder itself
    " modified INTEGER NOT NULL,"
    " PRIMARY KEY (library, key)) WITHOUT ROWID;";

// A file: URI of `path` with immutable=1. Every byte but letters, digits and
// "/._-~" is escaped; a Windows path gets forward slashes and a leading '/'.
std::string unchangingUri(std::string path) {
#ifdef _WIN32
    for (char& c : path)
        if (c == '\\') c = '/';
    if (path.size() > 1 && path[1] == ':') path.insert(0, "/");
#endif
    std::string uri = "file:";
    const char* const hex = "0123456789ABCDEF";
    for (unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (plain || (c != 0 && std::strchr("/._-~", c))) {
            uri += char(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri + "?immutable=1";
}

}  // namespace

Connection::~Connection() { close(); }

bool Connection::open(const std::string& path, int busyMs, bool checkpointOnClose, Access access) {
    close();
    // Each connection is used by one thread at a time: SQLite's own mutex per
    // connection would only cost.
    const int mode = (access == Access::ReadWrite ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) |
                     (access == Access::Unchanging ? SQLITE_OPEN_URI : 0) | SQLITE_OPEN_NOMUTEX;
    const std::string name = access == Access::Unchanging ? unchangingUri(path) : path;
    const int result = sqlite3_open_v2(name.c_str(), &db_, mode, nullptr);
    if (result != SQLITE_OK) {
        fail(result);
        close();
        return false;
    }
    sqlite3_busy_timeout(db_, busyMs);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, checkpointOnClose ? 0 : 1, nullptr);
    // The file is only data: nothing in it may run code or write the schema behind our back.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    // cell_size_check finds more damage on reading. synchronous=NORMAL in WAL
    // mode keeps the file whole when the process dies; a power cut may lose
    // the last batches, never the file. The journal shrinks back to 4 MiB
    // after it has been written back.
    return run("PRAGMA cell_size_check = ON; PRAGMA synchronous = NORMAL; PRAGMA journal_size_limit = 4194304");
}

void Connection::close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool Connection::fail(int code) {
    code_ = code & 0xff;
    error_ = db_ && sqlite3_errcode(db_) != SQLITE_OK ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    return false;
}

bool Connection::fail(int code, const std::string& why) {
    code_ = code & 0xff;
    error_ = why;
    return false;
}

bool Connection::run(const char* sql) {
    const int result = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    return result == SQLITE_OK || fail(result);
}

bool Connection::integer(const char* sql, int64_t* value) {
    Statement statement(*this, sql);
    if (!statement.step()) return code_ == SQLITE_DONE ? fail(SQLITE_CORRUPT) : false;
    *value = statement.integer(0);
    statement.reset();
    return true;
}

Statement::Statement(Connection& connection, const char* sql) : connection_(connection) {
    const int result = sqlite3_prepare_v2(connection.handle(), sql, -1, &statement_, nullptr);
    if (result != SQLITE_OK) {
        connection.fail(result);
        sqlite3_finalize(statement_);
        statement_ = nullptr;
    }
}

Statement::~Statement() { sqlite3_finalize(statement_); }

void Statement::bind(int index, int64_t value) { sqlite3_bind_int64(statement_, index, value); }

void Statement::bind(int index, const std::string& text) {
    sqlite3_bind_text(statement_, index, text.data(), int(text.size()), SQLITE_STATIC);
}

void Statement::bindBlob(int index, const std::string& bytes) {
    sqlite3_bind_blob(statement_, index, bytes.data(), int(bytes.size()), SQLITE_STATIC);
}

void Statement::bindNull(int index) { sqlite3_bind_null(statement_, index); }

bool Statement::step() {
    if (!statement_) return false;
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) {
        connection_.fail(SQLITE_DONE);
        return false;
    }
    connection_.fail(result);
    sqlite3_reset(statement_);
    return false;
}

bool Statement::run() {
    while (step()) {
    }
    const bool done = connection_.code() == SQLITE_DONE;
    reset();
    return done;
}

void Statement::reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

int64_t Statement::integer(int column) const { return sqlite3_column_int64(statement_, column); }

bool Statement::isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }

std::string Statement::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return bytes ? std::string(bytes, size_t(sqlite3_column_bytes(statement_, column))) : std::string();
}

std::string_view Statement::bytes(int column) const {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
    return bytes ? std::string_view(bytes, size_t(sqlite3_column_bytes(statement_, column))) : std::string_view();
}

bool examine(Connection& connection, Found* found) {
    int64_t application = 0, version = 0, objects = 0;
    if (!connection.integer("PRAGMA application_id", &application) ||
        !connection.integer("PRAGMA user_version", &version) ||
        !connection.integer("SELECT count(*) FROM sqlite_master", &objects))
        return false;
    if (objects == 0 && version == 0 && (application == 0 || application == kApplicationId))
        *found = Found::Empty;
    else if (application != kApplicationId)
        *found = Found::OtherProgram;
    else if (version < kSchemaVersion)
        *found = Found::Older;
    else if (version > kSchemaVersion)
        *found = Found::Newer;
    else
        *found = Found::Ours;
    return true;
}

bool makeSchema(Connection& connection, Found* found) {
    // The journal mode is kept in the file; it cannot change inside a transaction.
    Statement wal(connection, "PRAGMA journal_mode = WAL");
    if (!wal.ok()) return false;
    wal.step();
    wal.reset();
    if (!connection.run("BEGIN IMMEDIATE")) return false;
    // Another process may have made it meanwhile: then nothing is changed here.
    bool made = examine(connection, found);
    if (made && (*found == Found::Empty || *found == Found::Older)) {
        std::vector<std::string> drops;
        Statement old(connection, "SELECT type, name FROM sqlite_master WHERE type IN ('table', 'view') AND "
                                  "name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
        while (old.step()) {
            std::string name;
            for (char c : old.text(1)) name += c == '"' ? std::string("\"\"") : std::string(1, c);
            drops.push_back("DROP " + old.text(0) + " IF EXISTS \"" + name + "\"");
        }
        made = old.ok() && connection.code() == SQLITE_DONE;
        for (size_t i = 0; made && i < drops.size(); ++i) made = connection.run(drops[i].c_str());
        const std::string header = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                                   "; PRAGMA user_version = " + std::to_string(kSchemaVersion);
        made = made && connection.run(kTables) && connection.run(header.c_str());
        if (made) *found = Found::Ours;
    }
    if (made && connection.run("COMMIT")) return true;
    // The failure's code and text stay the connection's: the rollback goes around them.
    sqlite3_exec(connection.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

bool isDamage(int code) { return code == SQLITE_CORRUPT || code == SQLITE_NOTADB || code == SQLITE_FORMAT; }

bool isBusy(int code) { return code == SQLITE_BUSY || code == SQLITE_LOCKED; }

}  // namespace index_database

