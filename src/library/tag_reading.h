// Albums' tags (year, album artist, title) read in the background: one thread
// of its own at a lower priority, with one tag helper process (tag_reader.h,
// the covers' limits), reading one audio file per album. The frame thread
// says which albums it wants and takes what was read once a pass; it holds
// the reading while covers load, so tags never slow a cover. Shared between
// the two threads: the albums waiting, the tags read, the hold and the stop,
// all under one mutex, all owned here.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "library/albums_loader.h"
#include "library/tag_reader.h"

// One album to look at: its key, and what is known of it already.
struct TagJob {
    std::string key;
    bool tagsRead = false;     // its tags were read when its folder's time was tagsModified:
    int64_t tagsModified = 0;  // they are read again only when that time changed
    bool wantAdded = false;    // when it came is to be read from its files (the newest file's time)
};
// What was found: the tags (with the folder's time), and when it came.
struct TagResult {
    TagsOfAlbum album;
    bool unchanged = false;  // its folder's time is the one its tags were read at, or it is
                             // gone: nothing was read
    int64_t added = 0;       // seconds since 1970; 0 not asked, or no file found
};

class TagReading {
public:
    // Reads the tags of albums below `musicPath` with the helper `program`.
    explicit TagReading(std::string musicPath, std::string program = tagHelperPath(),
                        TagHelperLimits limits = TagHelperLimits());
    ~TagReading();  // stops at once: a file being read is given up
    TagReading(const TagReading&) = delete;
    TagReading& operator=(const TagReading&) = delete;

    // The albums to look at, in that order; they take the place of those still waiting.
    void want(std::vector<TagJob> jobs);
    // These albums first, before those waiting (an album whose folder changed).
    void wantFirst(std::vector<TagJob> jobs);
    // While held, no new file is begun (the one being read ends first).
    void hold(bool held);
    // The tags read since the last call, in the order read.
    std::vector<TagResult> take();
    // True when no album waits and none is being read.
    bool idle();

private:
    void run();
    TagResult look(const TagJob& job);  // on the thread

    const std::string musicPath_;
    TagReader reader_;                 // the thread's alone
    std::mutex mutex_;                 // guards the four below
    std::condition_variable wake_;
    std::deque<TagJob> waiting_;       // next first
    std::vector<TagResult> read_;
    bool held_ = false;
    bool reading_ = false;             // a key was taken off waiting_ and is being read
    std::atomic<bool> stop_{false};    // also ends a helper's reply being waited for
    std::thread thread_;
};
