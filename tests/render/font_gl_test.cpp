// Screen space and the bitmap font in a real GL context: the pixel projection
// and its undoing, one 9-pixel glyph list per code 32 .. 254, glPrint's
// bounds and state, the lists' release, and a missing font.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/window.h"
#include "render/caption.h"
#include "render/font_loader.h"
#include "render/text_font.h"
#include "render/overlay.h"
#include "render_fixture.h"

namespace {

float rasterX() {
    GLfloat raster[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    return raster[0];
}

TEST(OverlayGl, ScreenSpaceHasTheOriginTopLeftAndIsUndoneExactly) {
    GlWindow window;
    glDisable(GL_DEPTH_TEST);
    GLdouble modelview[16], projection[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);

    enable2D();
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLfloat raster[4];
    glRasterPos2f(300, 565);  // window coordinates count rows from the bottom
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    EXPECT_FLOAT_EQ(raster[0], 300);
    EXPECT_FLOAT_EQ(raster[1], 35);
    glRasterPos2f(0, 0);
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    EXPECT_FLOAT_EQ(raster[0], 0);
    EXPECT_FLOAT_EQ(raster[1], 600);
    disable2D();

    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));  // on, though it was off before
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLdouble after[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_DOUBLE_EQ(after[i], modelview[i]);
    glGetDoublev(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_DOUBLE_EQ(after[i], projection[i]);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(FontGl, EveryCodeHasAListThatAdvancesNinePixels) {
    GlWindow window;
    FontLoader font;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    ASSERT_NE(font.listBase, 0u);
    enable2D();
    for (int code = 32; code <= 254; ++code) {
        EXPECT_TRUE(glIsList(font.listBase + GLuint(code - 32))) << code;
        glRasterPos2f(10, 100);
        font.glPrint("%c", code);
        EXPECT_FLOAT_EQ(rasterX(), 19) << code;
    }
    // Codes without a glyph call no list at all and do not move the pen.
    glRasterPos2f(10, 100);
    font.glPrint("%s", "\xFF\x01\x1F\x7F");
    EXPECT_FLOAT_EQ(rasterX(), 19);  // only the DEL glyph (127)
    disable2D();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(FontGl, PrintCutsAt255BytesAndRestoresItsState) {
    GlWindow window;
    FontLoader font;
    enable2D();
    glListBase(11);
    glRasterPos2f(1, 100);
    font.glPrint("%s", std::string(400, 'x').c_str());
    EXPECT_FLOAT_EQ(rasterX(), 1 + 255 * 9);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint listBase = 0;
    glGetIntegerv(GL_LIST_BASE, &listBase);
    EXPECT_EQ(listBase, 11);

    glDisable(GL_DEPTH_TEST);
    glRasterPos2f(1, 100);
    const char* noFormat = nullptr;
    font.glPrint(noFormat);
    EXPECT_FLOAT_EQ(rasterX(), 1);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));  // a null format changes nothing

    glRasterPos2f(1, 100);
    font.glPrint("%d%%", 42);
    EXPECT_FLOAT_EQ(rasterX(), 1 + 3 * 9);  // "42%"
    disable2D();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(FontGl, DeletingTheFontDeletesExactlyItsLists) {
    GlWindow window;
    const GLuint before = glGenLists(1);
    glNewList(before, GL_COMPILE);
    glEndList();
    FontLoader* font = new FontLoader();
    const GLuint base = font->listBase;
    const GLuint after = glGenLists(1);
    glNewList(after, GL_COMPILE);
    glEndList();
    ASSERT_NE(base, 0u);
    EXPECT_LT(before, base);
    EXPECT_EQ(after, base + 223);
    for (GLuint i = 0; i < 223; ++i) ASSERT_TRUE(glIsList(base + i)) << i;

    delete font;
    for (GLuint i = 0; i < 223; ++i) EXPECT_FALSE(glIsList(base + i)) << i;
    EXPECT_TRUE(glIsList(before));
    EXPECT_TRUE(glIsList(after));
    glDeleteLists(before, 1);
    glDeleteLists(after, 1);
}

// In a child process with no fonts for fontconfig and no display for a box:
// builds the font, then prints. Exit status 0 when nothing was drawn.
int buildFontWithoutFonts(const std::string& emptyConfig, const std::string& stderrFile) {
    alarm(60);  // never hang the suite
    const int log = open(stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log < 0 || dup2(log, 2) < 0) return 10;
    setenv("FONTCONFIG_FILE", emptyConfig.c_str(), 1);
    if (SDL_Init(SDL_INIT_VIDEO) < 0 || !SDL_SetVideoMode(600, 600, 0, SDL_OPENGL)) return 11;
    init_gl();
    unsetenv("DISPLAY");  // the message then goes to standard error only
    int status = 0;
    {
        FontLoader font;
        TextFont text;  // the live path's font: without faces it says so too, and draws nothing
        if (text.usable()) std::fprintf(stderr, "a text font without fonts\n"), status = 15;
        textFont = &text;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawCaption("Hello");
        textFont = nullptr;
        enable2D();
        glColor3f(1, 1, 1);
        glRasterPos2f(100, 300);
        font.glPrint("%s", "Hello");
        if (std::fabs(rasterX() - 100) > 0.01f) std::fprintf(stderr, "raster at %g\n", rasterX()), status = 12;
        disable2D();
        const GLenum error = glGetError();  // before readFrame, which may raise its own
        if (error != GL_NO_ERROR) std::fprintf(stderr, "GL error 0x%x\n", error), status = 14;
        for (uint8_t byte : readFrame())
            if (byte != 0) status = 13;
    }
    SDL_Quit();
    return status;
}

TEST(FontGl, MissingFontSaysSoOnceForEachFontAndDrawsNoCaption) {
    TempDir dir;
    const std::string config = dir.writeFile("fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
    const std::string log = dir.at("stderr.txt");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(buildFontWithoutFonts(config, log));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << WTERMSIG(status) << "\n" << text.str();
    EXPECT_EQ(WEXITSTATUS(status), 0) << text.str();

    // One message from each font, each naming what to install.
    int messages = 0;
    std::string line;
    while (std::getline(text, line)) {
        if (line.rfind("ERROR: ", 0) != 0) continue;
        ++messages;
        std::cout << line << "\n";
        EXPECT_NE(line.find("Courier New"), std::string::npos) << line;
        EXPECT_NE(line.find("fonts-liberation2"), std::string::npos) << line;
    }
    EXPECT_EQ(messages, 2) << text.str();
}

}  // namespace
