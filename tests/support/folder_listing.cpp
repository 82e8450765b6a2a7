#include "support/folder_listing.h"

#include <gtest/gtest.h>

std::vector<platform::FindEntry> listAll(const std::string& folder) {
    std::vector<platform::FindEntry> entries;
    platform::FindEntry entry;
    platform::FindHandle handle = platform::findFirst(folder, &entry);
    if (handle == platform::kFindFailed) return entries;
    do entries.push_back(entry);
    while (platform::findNext(handle, &entry) == 0);
    EXPECT_NE(platform::findNext(handle, &entry), 0) << "the end of a listing stays the end";
    platform::findClose(handle);
    return entries;
}
