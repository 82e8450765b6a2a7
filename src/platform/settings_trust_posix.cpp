// Whether a settings file may be believed. The file names the program that
// autoplay starts, and it is looked for in whatever folder the browser was
// started from; in a shared folder (/tmp, a shared drive) someone else could
// have put it there. Only a file that the user (or root) owns and that nobody
// else can change is read. A file its group can write to is fine when that
// group is the owner's private group, as Debian gives each user one with a
// umask of 002: files are then made 0664 and nobody else is in the group.
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace platform {
namespace {

// The owner's primary group, that no other account has as its primary group
// and that lists no member but the owner. Walks the account database, so it is
// asked only of a group-writable file, once at start-up.
bool isOwnersPrivateGroup(uid_t owner, gid_t gid) {
    const passwd* account = getpwuid(owner);
    if (!account || account->pw_gid != gid) return false;
    const std::string ownerName = account->pw_name;
    const group* entry = getgrgid(gid);
    if (!entry) return false;
    for (char** member = entry->gr_mem; member && *member; ++member)
        if (ownerName != *member) return false;
    bool alone = true;
    setpwent();
    while (const passwd* other = getpwent())
        if (other->pw_gid == gid && other->pw_uid != owner) alone = false;
    endpwent();
    return alone;
}

}  // namespace

bool settingsTrustRule(const SettingsFileFacts& facts, std::string* why) {
    std::string reason;
    if (facts.owner != facts.user && facts.owner != 0) {
        reason = "it belongs to user " + std::to_string(facts.owner);
        if (!facts.ownerName.empty()) reason += " (" + facts.ownerName + ")";
        reason += ", not to you or root";
    } else if ((facts.mode & S_IWOTH) || ((facts.mode & S_IWGRP) && !facts.groupIsOwnersPrivate)) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", facts.mode & 07777);
        reason = std::string("other users can change it (mode ") + mode + ")";
    } else {
        return true;
    }
    if (why) *why = reason;
    return false;
}

bool settingsFileTrusted(const std::string& path, std::string* why) {
    struct stat info;
    // A file that is not there, or that cannot be examined, cannot be read
    // either: every read gives its default, so there is nothing to distrust.
    if (stat(path.c_str(), &info) != 0) return true;
    SettingsFileFacts facts;
    facts.owner = info.st_uid;
    facts.group = info.st_gid;
    facts.mode = info.st_mode;
    facts.user = geteuid();
    if (const passwd* account = getpwuid(info.st_uid)) facts.ownerName = account->pw_name;
    // Only worth the walk through the accounts when the group can write.
    facts.groupIsOwnersPrivate = (info.st_mode & S_IWGRP) && isOwnersPrivateGroup(info.st_uid, info.st_gid);
    return settingsTrustRule(facts, why);
}

}  // namespace platform
