/* PNG files of RGBA8 pixels: the stills of a capture, and the pictures that
 * tests write to look at. */
#ifndef GL4D_PNG_H
#define GL4D_PNG_H

#include "gl4d/api.h"

GL4D_BEGIN_DECLS

/* Writes width x height RGBA8 pixels to path as an 8-bit RGBA PNG. Rows are
 * bottom-up (as glReadPixels gives them) unless topDown is set. Returns
 * GL_FALSE when the file cannot be written. */
GL4D_API GLboolean gl4dWritePng(const char *path, int width, int height, const GLubyte *rgba, GLboolean topDown);

GL4D_END_DECLS

#endif
