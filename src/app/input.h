// Every user command goes through processKeys; the mouse only translates.
#pragma once

#include "app/type_to_find.h"

enum KeyCode {
    KeyReturn = 13,
    KeyEscape = 27,
    KeySpace = 32,
    KeyUp = 273,
    KeyDown = 274,
    KeyRight = 275,
    KeyLeft = 276,
    KeyHome = 278,
    KeyEnd = 279,
    KeyPageUp = 280,
    KeyPageDown = 281,
    KeyF1 = 282,
    KeyF2 = 283,
    KeyF11 = 292,
    KeyEnqueue = 0x1000 + KeyReturn,  // not an SDL symbol: Return with Shift held
    // Commands of the gamepad and the remote's media keys, which have no key of their own.
    KeyPlay = 0x2000,       // hands the album over, also twice in a row: it never quits
    KeyDismiss = 0x2001,    // no command: only hides the help or the search text
    KeyNextOrder = 0x2002,  // the next order of the albums
};

constexpr int kPageAlbums = 10;  // Page Up / Page Down move this many albums

// How many covers Up and Down move: those standing in the window on one side
// of the middle cover, so the one at the window's edge comes to the middle.

// Runs the command of an SDL 1.2 key symbol (Return hands the selected album to
// the player, in place of what it plays, or ends the program when the
// previous command was Return too; KeyEnqueue adds it to the player's list and
// never ends the program; Escape ends; Space jumps at random, or adds a space
// while the search text shows; the arrows, Page Up / Down and Home / End move
// the selection without wrapping, Up and Down by a screenful of covers;
// letters and digits find an album by its name; F1 shows or hides the help;
// F2 (and KeyNextOrder) puts the row in the next order; F11 switches full
// screen; the pad's and the remote's commands KeyPlay,
// KeyDismiss and KeyNextOrder as they say), then remembers the key in
// lastKey, whatever it was. Any key but F1 hides the help.
void processKeys(int key);

// The selection after a moving key (arrows, pages, ends, and Up / Down by a
// `screenful` of covers) from `current` in a library of `count` albums;
// `current` for any other key.
int movedSelection(int key, int current, int count, int screenful = 1);

// Selects album `index` (clamped to the library) as a command of its own, as a
// click on a side cover or a drag does: it hides the help, ends a search and
// re-arms Return.
void goToAlbum(int index);

// The key a mouse button stands for (1 Return, 2 Space, 3 Escape, 4 Left,
// 5 Right), or 0 for any other button.
int mouseButtonKey(int button);

// Runs the command of a mouse button, ending a search first (a click types
// nothing); other buttons do nothing at all.
void processMouse(int button);

// What the overlays show, and whether the picture changed since the last drawn
// frame for a reason other than the row moving (an overlay, full screen): the
// frame loop then draws one even when the row is at rest.
extern bool helpShown;
extern FindText findText;
extern bool redrawWanted;
