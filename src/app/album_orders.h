// The row's order while the browser runs: set at start from the order
// setting, changed by F2 (and the pad's Y), and made again when the tags an
// order needs have come. The selected album stays selected and in the middle;
// the notice band names the new order for two seconds, and says how far the
// reading of tags is while an order that needs them shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "library/album_order.h"

constexpr uint32_t kOrderNoticeTicks = 2000;  // how long "Order: by year" stands

// "Order: by year".
std::string orderNoticeLine(AlbumOrder order);
// "Reading years: 1,204 of 10,000" (artists for the artist order); "" when
// the order needs no tags or every album's are read.
std::string tagReadingLine(AlbumOrder order, int read, int count);
// 1204 as "1,204".
std::string withThousands(int value);

// Puts the row in `order` at tick `now`, keeping the selected album selected
// and standing in the middle without a glide; with `say`, the notice names
// the order. Needs the library.
void changeOrder(AlbumOrder order, uint32_t now, bool say = true);
// F2: the next order.
void nextOrder(uint32_t now);
// Makes the order shown again over what has become known (tags read), as
// changeOrder without a notice. True when an album moved.
bool orderAgain();

// The notice's lines at tick `now` (empty when none stands): the order's name
// for two seconds after it changed, then how far the reading of tags is
// while it runs.
std::vector<std::string> orderNoticeLines(uint32_t now);
// How many albums' tags are read (set by the tag reading; -1 before it starts).
extern int tagsReadCount;

class TagReading;
// The background reading of the albums' tags, owned by the entry; nullptr
// when none runs.
extern TagReading* tagReading;
// Asks the reading for every album whose tags (or time) are not read, the
// selected album's first and then on along the row; with `recheck`, then for
// every other album whose folder may have changed since its tags were read
// (at start).
void wantTagsNotRead(bool recheck);
// The frame loop's part of the reading, once a pass: names every album to
// it after the first frame, holds it while covers load, keeps what was read,
// and makes the order again when the reading ended. True when the window
// must be drawn again.
bool takeTagsRead();
// The albums whose folders changed, or that came, while the browser runs
// (their keys, as the watch tells them): their tags are read, before the
// others. Only those: naming every album again would cost the frame
// milliseconds at 100,000.
void albumFoldersChanged(const std::vector<std::string>& keys);
// The frame loop's hook for the library: its changes, then the tags read.
bool applyLibraryAndTags();
