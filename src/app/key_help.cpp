#include "app/key_help.h"

const std::vector<KeyHelpLine>& keyHelpLines() {
    // Plain ASCII, so that --help reads the same in any terminal.
    static const std::vector<KeyHelpLine> lines = {
        {"Right / Left, wheel", "next / previous album"},
        {"Page Down / Page Up", "10 albums on / back"},
        {"Home / End", "first / last album"},
        {"letters, digits", "find an album by its first letters"},
        {"Space, middle button", "a random album"},
        {"Return, left click", "play the album in the middle"},
        {"click a side cover", "go to that album"},
        {"drag with left button", "move the row, throw to glide"},
        {"F11", "full screen on / off"},
        {"F1", "this help on / off"},
        {"Escape, right button", "quit (also Return twice)"},
    };
    return lines;
}
