// The parts of support/process.h that need no POSIX call, shared with the
// Windows build of the tests.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/process.h"

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<PlayerCall> readPlayerCalls(const std::string& logPath) {
    std::string text = readWholeFile(logPath);
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t nul; (nul = text.find('\0', start)) != std::string::npos; start = nul + 1)
        fields.push_back(text.substr(start, nul - start));
    std::vector<PlayerCall> calls;
    for (size_t i = 0; i + 1 < fields.size(); i += 2) calls.push_back({std::atoi(fields[i].c_str()), fields[i + 1]});
    return calls;
}
