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

class TagReading {
public:
    // Reads the tags of albums below `musicPath` with the helper `program`.
    explicit TagReading(std::string musicPath, std::string program = tagHelperPath(),
                        TagHelperLimits limits = TagHelperLimits());
    ~TagReading();  // stops at once: a file being read is given up
    TagReading(const TagReading&) = delete;
    TagReading& operator=(const TagReading&) = delete;

    // The albums (keys) whose tags are wanted, in the order to read them; they
    // take the place of those still waiting.
    void want(std::vector<std::string> keys);
    // While held, no new file is begun (the one being read ends first).
    void hold(bool held);
    // The tags read since the last call, in the order read.
    std::vector<TagsOfAlbum> take();
    // True when no album waits and none is being read.
    bool idle();

private:
    void run();

    const std::string musicPath_;
    TagReader reader_;                 // the thread's alone
    std::mutex mutex_;                 // guards the four below
    std::condition_variable wake_;
    std::deque<std::string> waiting_;  // keys, next first
    std::vector<TagsOfAlbum> read_;
    bool held_ = false;
    bool reading_ = false;             // a key was taken off waiting_ and is being read
    std::atomic<bool> stop_{false};    // also ends a helper's reply being waited for
    std::thread thread_;
};
