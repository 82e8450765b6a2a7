// The keys and mouse actions as the user reads them: one table shared by the
// --help text and the F1 overlay, so the two never disagree.
#pragma once

#include <vector>

struct KeyHelpLine {
    const char* keys;    // e.g. "Home / End"
    const char* action;  // e.g. "first / last album"
};

const std::vector<KeyHelpLine>& keyHelpLines();
