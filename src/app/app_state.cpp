#include "app/app_state.h"

const char* const appname = "Vellora v0.1 alpha";

AlbumsLoader* albums = nullptr;
glTexture* textures = nullptr;
TextureLoader* texLoader = nullptr;
FontLoader* font = nullptr;
TextFont* textFont = nullptr;

int done = 0;
float position = 0;
int current = 0;
int playing = 0;
uint32_t playTime = 0;
int heldKey = 0;
uint32_t keyDownTime = 0;
uint32_t now = 0;
uint32_t lastRepeatCheck = 0;
int lastKey = 0;

int screenWidth = 600;
int screenHeight = 600;
