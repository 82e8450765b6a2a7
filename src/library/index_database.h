// The library index's SQLite file: its schema, and a connection and its
// statements, each with one owner that closes or finalises it. Used by the
// index's opening and reading (library_index.cpp) and its writer thread
// (index_writer.cpp); nothing else talks to SQLite.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace index_database {

// PRAGMA application_id of an index file ("Vell"), and its schema's version
// (PRAGMA user_version): raise it whenever the tables change.
constexpr int32_t kApplicationId = 0x56656c6c;
constexpr int kSchemaVersion = 1;

// One connection, used by one thread at a time; closed by its destructor.
class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    enum class Access {
        ReadWrite,  // (read-only when the file is)
        ReadOnly,
        // Read-only without the journal's files, which a folder the user may
        // not write keeps SQLite from making: right while nobody writes it.
        Unchanging,
    };
    // Opens the existing file at `path`; SQLite waits at most `busyMs` for
    // another's lock. Closing it never writes the journal back into the file
    // unless `checkpointOnClose`: the writer's job, never a reader's closing
    // on the frame thread. False with error() saying why.
    bool open(const std::string& path, int busyMs, bool checkpointOnClose, Access access = Access::ReadWrite);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    sqlite3* handle() const { return db_; }

    // Runs statements without results; false with error() saying why.
    bool run(const char* sql);
    // The integer the one-row statement `sql` gives (a PRAGMA); false on failure.
    bool integer(const char* sql, int64_t* value);
    // The error code and text of the last call that failed.
    int code() const { return code_; }
    const std::string& error() const { return error_; }
    // Records the failure `code` of a call on this connection (with `why`
    // in place of SQLite's own text); returns false.
    bool fail(int code);
    bool fail(int code, const std::string& why);

private:
    sqlite3* db_ = nullptr;
    int code_ = 0;
    std::string error_;
};

// One prepared statement of a connection; finalised by its destructor.
class Statement {
public:
    Statement(Connection& connection, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return statement_ != nullptr; }
    // Binds parameter `index` (from 1); text is bound as bytes, not copied
    // until the step, so it must outlive the step.
    void bind(int index, int64_t value);
    void bind(int index, const std::string& text);
    void bindBlob(int index, const std::string& bytes);
    void bindNull(int index);
    // One step: true for a row; false at the end or on failure (then the
    // connection's code() says which; SQLITE_DONE at the end).
    bool step();
    // Steps to the end and resets; false on failure.
    bool run();
    void reset();

    int64_t integer(int column) const;
    bool isNull(int column) const;
    std::string text(int column) const;
    // A text or blob column's bytes, valid until the next step or reset.
    std::string_view bytes(int column) const;

private:
    Connection& connection_;
    sqlite3_stmt* statement_ = nullptr;
};

// What a file holds, as its header and tables say.
enum class Found {
    Ours,           // an index of this schema
    Empty,          // no tables at all: a new or emptied file
    Older,          // an index of an older schema
    Newer,          // an index of a newer schema
    OtherProgram,   // a database, not ours
};
// Looks at the file; false with the connection's code() when it cannot be read.
bool examine(Connection& connection, Found* found);

// Makes the tables of this schema in a file that is Empty or Older, in one
// transaction (an older one's tables are dropped first), and turns the WAL
// journal on. Looks again inside the transaction, so two processes making one
// file at once make it once: `found` says what the file is afterwards (Ours
// once made). False, with the connection's code(), when it cannot be written.
bool makeSchema(Connection& connection, Found* found);

// Whether an error code says the file is damaged or not a database.
bool isDamage(int code);
// Whether it says another connection holds a lock.
bool isBusy(int code);

}  // namespace index_database
