#include "app/key_help.h"

const std::vector<KeyHelpLine>& keyHelpLines() {
    // Plain ASCII: the overlay's font draws Windows-1252 only.
    static const std::vector<KeyHelpLine> lines = {
        {"Right / Left, wheel", "next / previous album"},
        {"Page Down / Page Up", "10 albums on / back"},
        {"Home / End", "first / last album"},
        {"letters, digits", "find an album by its first letters"},
        {"Space while they show", "a space in the text found"},
        {"Space, middle button", "a random album"},
        {"Return, left click", "play the album in the middle"},
        {"Shift+Return", "add it to the player's list"},
        {"click a side cover", "go to that album"},
        {"drag with left button", "move the row, throw to glide"},
        {"F11", "full screen on / off"},
        {"F1", "this help on / off"},
        {"Escape, right button", "quit (also Return twice)"},
    };
    return lines;
}
