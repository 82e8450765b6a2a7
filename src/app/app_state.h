// The state the shell, the renderer and the texture streaming share: plain
// globals with static lifetime, each written and read where the comments say.
#pragma once

#include <cstdint>

class AlbumsLoader;
class TextureLoader;
class FontLoader;
class TextFont;
struct glTexture;

extern const char* const appname;  // window caption

extern AlbumsLoader* albums;        // owned by the entry; changes only between two passes of the
                                    // loop (library_update.h), and may then become empty
extern glTexture* textures;         // one record per album, same index; owned by the entry, made
                                    // anew when the library changes, written only by the cover streaming
extern TextureLoader* texLoader;    // owned by the entry
extern FontLoader* font;            // the design's display-list font: no longer made by the entry
                                    // (textFont draws every text); null unless a test installs one
extern TextFont* textFont;          // owned by the entry; the font of the caption and every other text

extern int done;             // 1 ends the frame loop
extern float position;       // displayed scroll position, album units, 0 .. count - 1 (0 when empty)
extern int current;          // selected album, 0 .. count - 1 (0 when empty); where position glides to
extern int playing;          // album last handed to the player; -1 once it left the library
extern uint32_t playTime;    // tick of the last hand-over; 2000 when the loop starts
extern int heldKey;          // key held down, 0 when none
extern uint32_t keyDownTime; // tick at which heldKey went down
extern uint32_t now;         // tick read at the top of the current pass
extern uint32_t lastRepeatCheck;  // tick of the last key-repeat check
extern int lastKey;          // code of the previous processKeys call

extern int screenWidth;   // the window's current size in pixels: 600 x 600 at start,
extern int screenHeight;  // then whatever the user resizes it to (or the full screen)
