// Whether a settings file may be believed. The file names the program that
// autoplay starts, and it is looked for in whatever folder the browser was
// started from; in a shared folder (/tmp, a shared drive) someone else could
// have put it there. Only a file that the user (or root) owns and that nobody
// else can change is read.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace platform {
namespace {

std::string ownerName(uid_t uid) {
    std::string name = "user " + std::to_string(uid);
    if (const passwd* entry = getpwuid(uid)) name += std::string(" (") + entry->pw_name + ")";
    return name;
}

}  // namespace

bool settingsFileTrusted(const std::string& path, std::string* why) {
    struct stat info;
    // A file that is not there, or that cannot be examined, cannot be read
    // either: every read gives its default, so there is nothing to distrust.
    if (stat(path.c_str(), &info) != 0) return true;
    std::string reason;
    if (info.st_uid != geteuid() && info.st_uid != 0) {
        reason = "it belongs to " + ownerName(info.st_uid) + ", not to you or root";
    } else if (info.st_mode & (S_IWGRP | S_IWOTH)) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        reason = std::string("other users can change it (mode ") + mode + ")";
    } else {
        return true;
    }
    if (why) *why = reason;
    return false;
}

}  // namespace platform
