#include "app/album_orders.h"

#include "app/app_state.h"
#include "app/frame_log.h"
#include "app/input.h"
#include "app/library_update.h"
#include "app/mouse.h"
#include "library/albums_loader.h"
#include "library/library_index.h"
#include "library/tag_reading.h"
#include "texture/texture_streaming.h"

int tagsReadCount = -1;
TagReading* tagReading = nullptr;

namespace {

uint32_t orderSaidAt = 0;
bool learntSinceOrder = false;  // tags or times came since the order was last made
// How often the tags read are taken: each take costs a pass over the list.
const uint32_t kTagsTakenEveryTicks = 500;
uint32_t lastTaken = 0;
bool firstPassSeen = false;  // the loop's first pass (which draws the first frame) went by
bool reading = false;        // the albums were named to the reading
bool orderSaid = false;

}  // namespace

std::string withThousands(int value) {
    std::string digits = std::to_string(value < 0 ? -value : value), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return value < 0 ? "-" + out : out;
}

std::string orderNoticeLine(AlbumOrder order) { return std::string("Order: ") + albumOrderForPeople(order); }

std::string tagReadingLine(AlbumOrder order, int read, int count) {
    if (!albumOrderNeedsTags(order) || read < 0 || read >= count) return "";
    const char* what = order == AlbumOrder::Year ? "years" : "artists";
    return std::string("Reading ") + what + ": " + withThousands(read) + " of " + withThousands(count);
}

static bool reorder(AlbumOrder order) {
    FrameLog::beginChange();
    std::vector<int> newIndexOfOld;
    const bool moved = albums->setOrder(order, &newIndexOfOld);
    if (moved) {
        libraryReordered(newIndexOfOld);
        // The selected album comes to the middle at once: a glide across a
        // hundred thousand albums would show nothing but a blur.
        rowShifted(float(current) - position);
        position = float(current);
    }
    FrameLog::endChange(moved);
    return moved;
}

void changeOrder(AlbumOrder order, uint32_t now, bool say) {
    reorder(order);
    if (say) {
        orderSaid = true;
        orderSaidAt = now;
    }
    redrawWanted = true;
}

void nextOrder(uint32_t now) { changeOrder(nextAlbumOrder(albums->getOrder()), now); }

bool orderAgain() { return albums && albums->getOrder() != AlbumOrder::Name && reorder(albums->getOrder()); }

std::vector<std::string> orderNoticeLines(uint32_t now) {
    if (!albums) return {};
    if (orderSaid && now - orderSaidAt < kOrderNoticeTicks) return {orderNoticeLine(albums->getOrder())};
    orderSaid = false;
    // Only while the reading runs: an album it could not look at (its folder
    // gone a moment) must not leave the line standing for good.
    if (!tagReading || tagReading->idle()) return {};
    const std::string reading = tagReadingLine(albums->getOrder(), tagsReadCount, albums->getAlbumsCount());
    if (reading.empty()) return {};
    return {reading};
}

// The jobs of the albums, the selected one's first and on along the row:
// those whose tags or time are to be read, then (with `recheck`) those
// whose folders are to be looked at for a change since their tags were read.
static std::vector<TagJob> tagJobs(bool recheck) {
    const int count = albums->getAlbumsCount();
    std::vector<TagJob> jobs, checks;
    for (int step = 0; step < count; ++step) {
        const int i = (current + step) % count;
        TagJob job;
        job.tagsRead = albums->getAlbumTagsRead(i);
        job.wantAdded = albums->getAlbumAdded(i) <= kAddedBeforeIndex;
        if (job.tagsRead && !job.wantAdded && !recheck) continue;
        job.key = albums->getAlbumKey(i);
        job.tagsModified = albums->getAlbumTagsModified(i);
        (job.tagsRead && !job.wantAdded ? checks : jobs).push_back(std::move(job));
    }
    jobs.insert(jobs.end(), std::make_move_iterator(checks.begin()), std::make_move_iterator(checks.end()));
    return jobs;
}

void wantTagsNotRead(bool recheck) {
    if (!tagReading || !albums) return;
    tagsReadCount = albums->albumsWithTagsRead();
    tagReading->want(tagJobs(recheck));
}

bool takeTagsRead() {
    if (!tagReading || !albums) return false;
    // The albums are named to the reading after the first frame (at 100,000
    // albums that takes some milliseconds the first frame need not wait for).
    if (!firstPassSeen) {
        firstPassSeen = true;
        return false;
    }
    if (!reading) {
        reading = true;
        wantTagsNotRead(true);
    }
    // Tags wait while any cover is on its way: a cover is what the user looks at.
    tagReading->hold(coverStreaming && !coverStreaming->loaderIdle());
    if (now - lastTaken < kTagsTakenEveryTicks) return false;
    lastTaken = now;
    const std::vector<TagResult> results = tagReading->take();
    if (results.empty()) return false;
    std::vector<TagsOfAlbum> read;
    std::vector<std::pair<std::string, int64_t>> added;
    IndexChanges learnt;
    for (const TagResult& result : results) {
        if (result.added > 0) {
            added.emplace_back(result.album.key, result.added);
            learnt.albumAdded(result.album.key, result.added);
        }
        if (result.unchanged) continue;
        read.push_back(result.album);
        learnt.tagsRead(result.album.key, result.album.tags, result.album.folderModified);
    }
    albums->setAlbumTags(read);
    albums->setAlbumsAdded(added);
    if (libraryIndex && !learnt.empty()) libraryIndex->write(std::move(learnt));
    tagsReadCount = albums->albumsWithTagsRead();
    learntSinceOrder = learntSinceOrder || !read.empty() || !added.empty();
    // The order is made again once, when the reading ends (or every album's
    // tags are in, while folders are still looked at for changes): moving
    // albums as each one's tags come would shuffle the row under the user.
    const bool allTags = tagsReadCount == albums->getAlbumsCount() && albumOrderNeedsTags(albums->getOrder());
    if (!learntSinceOrder || !(allTags || tagReading->idle())) return false;
    learntSinceOrder = false;
    return orderAgain();
}

void albumFoldersChanged(const std::vector<std::string>& keys) {
    if (!tagReading || !albums || keys.empty()) return;
    std::vector<TagJob> jobs;
    for (const std::string& key : keys) {
        const int i = albums->albumAtKey(key);
        if (i < 0 || albums->getAlbumKey(i) != key) continue;  // gone
        jobs.push_back({key, false, 0, false});  // read again: a file retagged in place leaves the folder's time
    }
    tagReading->wantFirst(std::move(jobs));
}

bool applyLibraryAndTags() {
    const bool changed = applyLibraryChanges();
    return takeTagsRead() || changed;
}
