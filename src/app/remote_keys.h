// The keys of keypads and remote controls, which come as their own SDL
// symbols: turned into the commands of the keys they stand for.
#pragma once

// The command code of a key event (`symbol` and `modifiers` as SDL 1.2 gives
// them): Keypad Enter is Return; with Num Lock off the keypad's arrows, Page
// Up / Down, Home and End are those keys; with Num Lock on its digits are the
// digits (they find an album). Any other key is its own symbol.
int keyCommand(int symbol, int modifiers);
