// The keys, mouse and gamepad actions as the user reads them: one table
// shared by the --help text and the F1 overlay, so the two never disagree.
#pragma once

#include <vector>

struct KeyHelpLine {
    const char* keys;    // e.g. "Home / End"
    const char* action;  // e.g. "first / last album"
};

// The keyboard's, the mouse's and the remote's.
const std::vector<KeyHelpLine>& keyHelpLines();
// The gamepad's buttons, as an Xbox-style pad names them.
const std::vector<KeyHelpLine>& padHelpLines();
// What the help shows: the keys, and the pad's buttons while a pad is open.
std::vector<KeyHelpLine> shownHelpLines(bool padOpen);
