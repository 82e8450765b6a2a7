#include "support/accounts.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> parts;
    std::stringstream in(line);
    for (std::string part; std::getline(in, part, ':');) parts.push_back(part);
    if (!line.empty() && line.back() == ':') parts.push_back("");
    return parts;
}

}  // namespace

bool primaryGroupIsPrivate() {
    const std::string me = std::to_string(geteuid());
    std::string name, group;
    bool shared = false;
    std::vector<std::vector<std::string>> accounts;
    std::ifstream passwd("/etc/passwd");
    for (std::string line; std::getline(passwd, line);) {
        std::vector<std::string> parts = fields(line);
        if (parts.size() < 4) continue;
        if (parts[2] == me && name.empty()) name = parts[0], group = parts[3];
        accounts.push_back(parts);
    }
    if (name.empty()) return false;
    for (const auto& parts : accounts)
        if (parts[3] == group && parts[2] != me) shared = true;
    std::ifstream groups("/etc/group");
    bool found = false;
    for (std::string line; std::getline(groups, line);) {
        std::vector<std::string> parts = fields(line);
        if (parts.size() < 4 || parts[2] != group) continue;
        found = true;
        std::stringstream members(parts[3]);
        for (std::string member; std::getline(members, member, ',');)
            if (!member.empty() && member != name) shared = true;
    }
    return found && !shared;
}
