// The library index's writer thread and what it shares with the index
// object: the queue of change groups going in, counts of groups done coming
// out, and the two flags of what the index can still do. Everything else of
// the writer (its connection, its statements) is its own.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "library/index_database.h"
#include "library/library_index.h"

struct LibraryIndex::Shared {
    Shared(std::string path_, std::string musicFolder_, int depth_)
        : path(std::move(path_)), musicFolder(std::move(musicFolder_)), depth(depth_) {}

    const std::string path;
    const std::string musicFolder;
    const int depth;

    std::atomic<bool> readable{false};
    std::atomic<bool> writing{false};  // cleared for good when writing fails

    std::mutex mutex;
    std::condition_variable wake;     // the writer waits on it for groups, a flush or the end
    std::condition_variable changed;  // flush() and the destructor wait on it
    std::vector<IndexChanges> queue;  // under mutex, in the order written
    std::chrono::steady_clock::time_point firstQueued;  // of the oldest group in queue
    uint64_t queued = 0;              // groups queued so far, under mutex
    uint64_t done = 0;                // groups written or dropped so far, under mutex
    bool flushWanted = false;         // under mutex
    bool stop = false;                // under mutex: write what is queued and end
    bool started = false;             // under mutex: the writer thread exists
    bool running = false;             // under mutex: it has not ended yet

    // The calling thread's connection: the constructor's and read()'s.
    index_database::Connection reader;
};

// The writer thread's body; ends once `stop` is set and the queue is empty.
void runIndexWriter(LibraryIndex::Shared& shared);

// Writes "vellora: " + `line` to standard error in one piece.
void sayAboutIndex(const std::string& line);

// Moves the damaged index file at `path` (and its journal) aside to
// PATH.damaged, replacing an earlier one, and says so in one line with what
// was found (`damage`) and what comes next (`then`). False when it could not
// be moved: the line then says so.
bool setDamagedIndexAside(const std::string& path, const std::string& damage, const char* then);
