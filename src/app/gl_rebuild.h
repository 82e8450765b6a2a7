// Setting the video mode again (a resize, full screen) may give the program a
// new GL context, and with it lose every texture and display list: SDL 1.2 on
// Windows does so on every mode change. A display list made in the context
// as a marker tells: in a new context that name is no list.
#pragma once

// Makes the marker in the current context; init_gl calls it.
void markGlContext();
// True when the current context is not the one the marker was made in.
bool glContextWasLost();
// After a lost context: init_gl (the fixed GL state, and a marker in the new
// context), the display-list font's lists built anew when there is one, the
// text font's atlas forgotten (its glyphs are made again as drawn), and the cover
// streaming told to forget its texture names (they died with the old
// context), so that the drawn strip's covers load again at once.
void rebuildGlContext();
