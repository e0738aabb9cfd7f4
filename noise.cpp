// Placeholder noise textures until the real ones land.
#include "noise.h"

void initNoiseTextures(void) {}
void useNoiseTextures(GLuint, int) {}
void unuseNoiseTextures(int) {}
void freeNoiseTextures(void) {}
