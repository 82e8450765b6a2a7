#include "library/tag_reading.h"

#include "library/album_tags.h"
#include "library/folder_rules.h"
#include "platform/platform.h"

TagReading::TagReading(std::string musicPath, std::string program, TagHelperLimits limits)
    : musicPath_(std::move(musicPath)), reader_(std::move(program), limits), thread_([this] { run(); }) {}

TagReading::~TagReading() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void TagReading::want(std::vector<std::string> keys) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_.assign(std::make_move_iterator(keys.begin()), std::make_move_iterator(keys.end()));
    }
    wake_.notify_all();
}

void TagReading::hold(bool held) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (held_ == held) return;
        held_ = held;
    }
    wake_.notify_all();
}

std::vector<TagsOfAlbum> TagReading::take() {
    std::vector<TagsOfAlbum> taken;
    std::lock_guard<std::mutex> lock(mutex_);
    taken.swap(read_);
    return taken;
}

bool TagReading::idle() {
    std::lock_guard<std::mutex> lock(mutex_);
    return waiting_.empty() && !reading_;
}

void TagReading::run() {
    platform::lowerThreadPriority();
    for (;;) {
        std::string key;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || (!held_ && !waiting_.empty()); });
            if (stop_) return;
            key = std::move(waiting_.front());
            waiting_.pop_front();
            reading_ = true;
        }
        // An album without an audio file, or one whose file cannot be read,
        // is read all the same: its tags say nothing, and it is not asked again.
        TagsOfAlbum album{key, AlbumTags()};
        const std::string file = albumTagFile(pathOfKey(musicPath_, key));
        std::string failure;
        if (!file.empty()) album.tags = reader_.readTags(file, &failure, &stop_);
        std::lock_guard<std::mutex> lock(mutex_);
        reading_ = false;
        if (stop_) return;
        read_.push_back(std::move(album));
    }
}
