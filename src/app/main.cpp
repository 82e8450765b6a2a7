#include "app/entry.h"

int main(int argc, char** argv) { return SDL_main(argc, argv); }
