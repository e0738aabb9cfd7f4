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
/* Where the context's renderer is a software rasteriser (Mesa's llvmpipe,
 * softpipe or swrast, read from GL_RENDERER at the first build), every shader
 * is compiled with GL4D_SOFTWARE_RASTERIZER defined after its #version line,
 * so that it can take a cheaper path there. which = 1 or 0 forces it for the
 * programs built from then on, -1 gives the choice back to the renderer. */
GL4D_API void gl4duSetSoftwareRasterizer(int which);
GL4D_API GLboolean gl4duIsSoftwareRasterizer(void);

GL4D_END_DECLS

#endif
