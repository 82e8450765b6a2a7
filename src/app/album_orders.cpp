#include "app/album_orders.h"

#include "app/app_state.h"
#include "app/frame_log.h"
#include "app/input.h"
#include "app/library_update.h"
#include "app/mouse.h"
#include "library/albums_loader.h"
#include "library/tag_reading.h"
#include "texture/texture_streaming.h"

int tagsReadCount = -1;
TagReading* tagReading = nullptr;

namespace {

uint32_t orderSaidAt = 0;
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
    const std::string reading = tagReadingLine(albums->getOrder(), tagsReadCount, albums->getAlbumsCount());
    if (reading.empty()) return {};
    return {reading};
}

void wantTagsNotRead() {
    if (!tagReading || !albums) return;
    const int count = albums->getAlbumsCount();
    std::vector<std::string> keys;
    for (int step = 0; step < count; ++step) {
        const int i = (current + step) % count;
        if (!albums->getAlbumTagsRead(i)) keys.push_back(albums->getAlbumKey(i));
    }
    tagsReadCount = count - int(keys.size());
    tagReading->want(std::move(keys));
}

bool takeTagsRead() {
    if (!tagReading || !albums) return false;
    // Tags wait while any cover is on its way: a cover is what the user looks at.
    tagReading->hold(coverStreaming && !coverStreaming->loaderIdle());
    const std::vector<TagsOfAlbum> read = tagReading->take();
    if (read.empty()) return false;
    albums->setAlbumTags(read);
    tagsReadCount = albums->albumsWithTagsRead();
    // The order is made again once, when the reading ends: moving albums
    // as each one's tags come would shuffle the row under the user.
    if (tagReading->idle()) return orderAgain();
    return false;
}

bool applyLibraryAndTags() {
    const bool changed = applyLibraryChanges();
    if (changed) wantTagsNotRead();  // albums may have come
    return takeTagsRead() || changed;
}
