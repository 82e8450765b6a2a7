#include "app/gl_rebuild.h"

#include <GL/gl.h>

#include "app/app_state.h"
#include "app/window.h"
#include "render/font_loader.h"
#include "render/text_font.h"
#include "texture/texture_streaming.h"

static GLuint marker = 0;

void markGlContext() { marker = glGenLists(1); }

bool glContextWasLost() { return marker != 0 && !glIsList(marker); }

void rebuildGlContext() {
    init_gl();
    if (font) {
        font->listBase = 0;  // those lists went with the old context; nothing to delete
        font->buildFont();
    }
    if (textFont) textFont->forgetGlNames();
    if (coverStreaming) coverStreaming->forgetGlNames();
}
