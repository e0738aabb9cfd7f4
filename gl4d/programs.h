/* Shader programs from tagged file paths. */
#ifndef GL4D_PROGRAMS_H
#define GL4D_PROGRAMS_H

#include "gl4d/api.h"

GL4D_BEGIN_DECLS

/* Builds a program from files named "<vs>path" (vertex) and "<fs>path"
 * (fragment), the list ending with NULL; paths are relative to the working
 * directory. A missing file or a compile or link error is printed to stderr
 * with the file name and the driver's log, and the result is then 0. */
GL4D_API GLuint gl4duCreateProgram(const char *firstTaggedPath, ...);
/* Every shader that gl4duCreateProgram builds from then on gets
 * "#define name value" after its #version line (a NULL value removes the
 * name): constants that a program shares with the code that draws with it,
 * stated once, by that code. Where the context's renderer is a software rasteriser (Mesa's llvmpipe,
 * softpipe or swrast, read from GL_RENDERER at the first build), every shader
 * also gets GL4D_SOFTWARE_RASTERIZER defined, for the paths that must be
 * taken there without the driver's help (the same picture by other means). */
GL4D_API void gl4duDefine(const char *name, const char *value);

GL4D_END_DECLS

#endif
