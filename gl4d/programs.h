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

GL4D_END_DECLS

#endif
