// Setting the video mode again (a resize, full screen) may give the program a
// new GL context, and with it lose every texture and display list. A marker
// list made in the old context tells; the rebuild then sets the GL state
// again, builds the caption font anew and lets the covers load again.
#pragma once

// Makes the marker in the current context; init_gl calls it.
void markGlContext();
// True when the current context is not the one the marker was made in.
bool glContextWasLost();
// init_gl (which marks the new context), a new font, every cover texture
// forgotten (their names died with the old context) so that the streaming
// loads them again.
void rebuildGlContext();
