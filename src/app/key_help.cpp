#include "app/key_help.h"

const std::vector<KeyHelpLine>& keyHelpLines() {
    // Plain ASCII, so that --help reads the same in any terminal.
    static const std::vector<KeyHelpLine> lines = {
        {"Right / Left, wheel", "next / previous album"},
        {"Page Down / Page Up", "10 albums on / back"},
        {"Home / End", "first / last album"},
        {"Up / Down", "a windowful of albums back / on"},
        {"letters, digits", "find an album by its first letters"},
        {"Space while finding", "a space in the text to find"},
        {"Space, middle button", "a random album"},
        {"Return, left click", "play the album in the middle"},
        {"Shift+Return", "add it to the player's list"},
        {"Play/Pause (media key)", "play it; twice does not quit"},
        {"click a side cover", "go to that album"},
        {"drag with left button", "move the row, throw to glide"},
        {"F2 / F11", "next order / full screen"},
        {"F1", "this help on / off"},
        {"Escape, right button", "quit (also Return twice)"},
        {"keypad (Num Lock off)", "Enter, arrows as those keys"},
    };
    return lines;
}

const std::vector<KeyHelpLine>& padHelpLines() {
    static const std::vector<KeyHelpLine> lines = {
        {"pad: d-pad, left stick", "as the arrow keys"},
        {"pad: shoulders", "10 albums back / on"},
        {"pad: A", "play the album in the middle"},
        {"pad: left stick press", "add it to the player's list"},
        {"pad: X", "a random album"},
        {"pad: Y", "next order (as F2)"},
        {"pad: B", "hide this help or the search"},
        {"pad: Start", "this help on / off"},
        {"pad: Back", "quit"},
    };
    return lines;
}

std::vector<KeyHelpLine> shownHelpLines(bool padOpen) {
    std::vector<KeyHelpLine> lines = keyHelpLines();
    if (padOpen) lines.insert(lines.end(), padHelpLines().begin(), padHelpLines().end());
    return lines;
}
