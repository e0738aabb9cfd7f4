/* Text textures for the scenes: a UTF-8 string rendered in white with
 * Liberation Mono into a GL texture, as huit and credits need it. */
#ifndef TEXT_H
#define TEXT_H

#include "gl4d/gl4d.h"

/* Starts the font library when *firstTime is set, then clears it; a library
 * that cannot start ends the process with status 2 ("TTF_Init: ..."). Each
 * caller keeps its own flag. */
void textStartFonts(int *firstTime);

/* Renders text at the font size, wrapped at wrap pixels, and uploads it into
 * *tex as GL_RGBA / GL_UNSIGNED_BYTE, rows in surface order (the first
 * surface row becomes the texture's first row). A *tex of 0 is generated
 * first, with both filters set to filter and CLAMP_TO_EDGE on S and T.
 * Without a font or a rendering the message is written, the texture keeps
 * no image and the result is false; on success *w and *h (either may be
 * null) get the size. */
bool textToTexture(GLuint *tex, GLint filter, const char *text, int size, int wrap, int *w, int *h);

#endif
