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
    for (size_t i = 0; i < fields.size();) {
        PlayerCall call{std::atoi(fields[i++].c_str()), "", {}};
        for (int n = 0; n < call.argumentCount && i < fields.size(); ++n) call.arguments.push_back(fields[i++]);
        if (!call.arguments.empty()) call.argument = call.arguments.back();
        calls.push_back(call);
    }
    return calls;
}
