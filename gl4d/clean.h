/* Releasing what the layer made. */
#ifndef GL4D_CLEAN_H
#define GL4D_CLEAN_H

#include "gl4d/api.h"

GL4D_BEGIN_DECLS

enum {
  GL4DU_SCENES = 0x01,   /* state 3 to every scene function, then the framebuffer */
  GL4DU_FILTERS = 0x02,  /* the filters' programs, framebuffer and temporaries */
  GL4DU_GEOMETRY = 0x04, /* every mesh */
  GL4DU_PROGRAMS = 0x08, /* every program built by gl4duCreateProgram */
  GL4DU_MATRICES = 0x10, /* every named matrix */
  GL4DU_ALL = (int)0xFFFFFFFF
};

/* Frees what the flags name, in the order of the enumeration. The window and
 * its context stay until the process ends. */
GL4D_API void gl4duClean(GLuint flags);

GL4D_END_DECLS

#endif
