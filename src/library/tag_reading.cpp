#include "library/tag_reading.h"

#include "library/album_tags.h"
#include "library/folder_rules.h"
#include "platform/platform.h"

namespace {

struct Newest {
    const std::string* folder;
    int64_t seconds = 0;
};

// The newest modification time among the files lying directly in `folder`
// (seconds since 1970; 0 when it holds none).
int64_t newestFileTime(const std::string& folder) {
    Newest newest{&folder};
    int64_t ignored = 0;
    platform::listFolder(
        folder,
        [](const platform::FindEntry& entry, void* context) {
            auto& found = *static_cast<Newest*>(context);
            if ((entry.attrib & platform::kAttrSubdir) || isHiddenName(entry.name)) return;
            int64_t seconds = 0;
            if (platform::fileModifiedSeconds(joinPath(*found.folder, entry.name), &seconds) && seconds > found.seconds)
                found.seconds = seconds;
        },
        &newest, &ignored);
    return newest.seconds;
}

}  // namespace

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

void TagReading::want(std::vector<TagJob> jobs) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_.assign(std::make_move_iterator(jobs.begin()), std::make_move_iterator(jobs.end()));
    }
    wake_.notify_all();
}

void TagReading::wantFirst(std::vector<TagJob> jobs) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_.insert(waiting_.begin(), std::make_move_iterator(jobs.begin()), std::make_move_iterator(jobs.end()));
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

std::vector<TagResult> TagReading::take() {
    std::vector<TagResult> taken;
    std::lock_guard<std::mutex> lock(mutex_);
    taken.swap(read_);
    return taken;
}

bool TagReading::idle() {
    std::lock_guard<std::mutex> lock(mutex_);
    return waiting_.empty() && !reading_;
}

TagResult TagReading::look(const TagJob& job) {
    TagResult result;
    result.album.key = job.key;
    const std::string folder = pathOfKey(musicPath_, job.key);
    // A folder gone (the library's change is on its way) teaches nothing:
    // what is known of the album stays as it was.
    result.unchanged = !platform::modifiedTime(folder, &result.album.folderModified) ||
                       (job.tagsRead && result.album.folderModified == job.tagsModified);
    if (job.wantAdded && !(result.unchanged && result.album.folderModified == 0))
        result.added = newestFileTime(folder);
    if (result.unchanged) return result;
    // An album without an audio file, or one whose file cannot be read, is
    // read all the same: its tags say nothing, and it is not asked again.
    const std::string file = albumTagFile(folder);
    std::string failure;
    if (!file.empty()) result.album.tags = reader_.readTags(file, &failure, &stop_);
    return result;
}

void TagReading::run() {
    platform::lowerThreadPriority();
    for (;;) {
        TagJob job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || (!held_ && !waiting_.empty()); });
            if (stop_) return;
            job = std::move(waiting_.front());
            waiting_.pop_front();
            reading_ = true;
        }
        TagResult result = look(job);
        std::lock_guard<std::mutex> lock(mutex_);
        reading_ = false;
        if (stop_) return;
        read_.push_back(std::move(result));
    }
}
