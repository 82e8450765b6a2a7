#include "library/album_probe.h"

#include <vector>

#include "library/folder_rules.h"
#include "library/media_files.h"
#include "platform/platform.h"

namespace {

struct FolderLook {
    bool mediaCounts = true;   // false for the music folder itself: files there are no album
    bool folderEnough = false; // one visible sub-folder answers the question
    bool media = false;        // it holds what makes it an album (makesAnAlbum)
    std::vector<std::string> folders;
};

bool lookAt(const platform::FindEntry& entry, void* context) {
    auto* look = static_cast<FolderLook*>(context);
    if (isHiddenName(entry.name)) return true;
    if (look->mediaCounts && makesAnAlbum(entry)) {
        look->media = true;
        return false;
    }
    if (entry.attrib & platform::kAttrSubdir) {
        look->folders.push_back(entry.name);
        return !look->folderEnough;
    }
    return true;
}

// `folder` lies `level` levels below the music folder, above the album level.
bool holdsAlbumBelow(const std::string& folder, int level, int depth) {
    FolderLook look;
    look.folderEnough = level + 1 >= depth;
    platform::visitFolder(folder, lookAt, &look);
    if (look.media) return true;  // an album lying directly at this level
    if (look.folderEnough) return !look.folders.empty();
    for (const std::string& sub : look.folders)
        if (holdsAlbumBelow(joinPath(folder, sub), level + 1, depth)) return true;
    return false;
}

}  // namespace

bool holdsAnAlbum(const std::string& musicPath, int depth) {
    depth = clampDepth(depth);
    FolderLook top;
    top.mediaCounts = false;
    top.folderEnough = depth == 1;
    platform::visitFolder(musicPath, lookAt, &top);
    if (depth == 1) return !top.folders.empty();
    for (const std::string& name : top.folders)
        if (holdsAlbumBelow(joinPath(musicPath, name), 1, depth)) return true;
    return false;
}

NoAlbumReason whyNoAlbum(const std::string& musicPath) {
    if (platform::isFile(musicPath)) return NoAlbumReason::NotAFolder;
    if (!platform::isDirectory(musicPath)) return NoAlbumReason::Missing;
    bool songs = false;
    platform::visitFolder(
        musicPath,
        [](const platform::FindEntry& entry, void* found) {
            *static_cast<bool*>(found) = !(entry.attrib & platform::kAttrSubdir) && !isHiddenName(entry.name) &&
                                         isAudioName(entry.name);
            return !*static_cast<bool*>(found);
        },
        &songs);
    return songs ? NoAlbumReason::SongsOnly : NoAlbumReason::NoAlbums;
}
