/* Noise lookup textures for the shaders: hash values with 3-D gradients, and
 * 4-D gradients. */
#ifndef NOISE_H
#define NOISE_H

#include "gl4d/gl4d.h"

void initNoiseTextures(void);
void useNoiseTextures(GLuint pId, int unit);
void unuseNoiseTextures(int unit);
void freeNoiseTextures(void);

#endif
