/* Switches for the tests and the benchmarks: exported by the library, not
 * part of its public headers. */
#ifndef GL4D_CORE_SWITCHES_H
#define GL4D_CORE_SWITCHES_H

#include "gl4d/api.h"

GL4D_BEGIN_DECLS

/* Culling by reach (gl4dgSetReach) on, the default, or off, for every mesh. */
GL4D_API void gl4dgSetCulling(GLboolean on);
/* Share of the mesh's triangles that its last draw sent, 0 to 1. */
GL4D_API GLfloat gl4dgDrawnShare(GLuint id);

/* Whether the shaders built from then on are compiled for a software
 * rasteriser (GL4D_SOFTWARE_RASTERIZER defined): 1 or 0 forces it, -1 gives
 * the choice back to the renderer's name. */
GL4D_API void gl4duSetSoftwareRasterizer(int which);
GL4D_API GLboolean gl4duIsSoftwareRasterizer(void);

/* Every shader source the layer compiles from then on, exactly as compiled
 * (its defines in place), goes to sink; NULL stops it. */
GL4D_API void gl4duSetShaderSink(void (*sink)(GLenum stage, const char *source));
/* The filters' regions (gl4dfSetRegion) kept, the default, or ignored:
 * every call then computes its whole output. */
GL4D_API void gl4dfSetRegions(GLboolean on);
/* Builds now every program the filters can use on w x h RGBA8 textures, as
 * the scene manager does before the show's first frame. */
GL4D_API void gl4dfPrepare(int w, int h);

GL4D_END_DECLS

#endif
