// Every user command goes through processKeys; the mouse only translates.
#pragma once

enum KeyCode {
    KeyReturn = 13,
    KeyEscape = 27,
    KeySpace = 32,
    KeyRight = 275,
    KeyLeft = 276,
};

// Runs the command of an SDL 1.2 key symbol (Return hands the selected album to
// the player, or ends the program when the previous command was Return too;
// Escape ends; Space jumps at random; Right and Left move the selection without
// wrapping), then remembers the key in lastKey, whatever it was.
void processKeys(int key);

// The key a mouse button stands for (1 Return, 2 Space, 3 Escape, 4 Left,
// 5 Right), or 0 for any other button.
int mouseButtonKey(int button);

// Runs the command of a mouse button; other buttons do nothing at all.
void processMouse(int button);
