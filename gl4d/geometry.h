/* Indexed meshes in vertex arrays: attribute 0 position (vec3), 1 normal
 * (vec3), 2 texture coordinate (vec2). Front faces are counter-clockwise. */
#ifndef GL4D_GEOMETRY_H
#define GL4D_GEOMETRY_H

#include "gl4d/api.h"

GL4D_BEGIN_DECLS

/* -1..1 in x and y at z = 0, facing +z, uv 0..1. */
GL4D_API GLuint gl4dgGenQuadf(void);
/* Radius 1 in the y = 0 plane, facing +y; uv maps the unit square on it. */
GL4D_API GLuint gl4dgGenDiskf(GLuint slices);
/* Radius 1, poles on -y (v = 0) and +y (v = 1), u once around the y axis. */
GL4D_API GLuint gl4dgGenSpheref(GLuint slices, GLuint stacks);
/* width x height vertices over -1..1 in x (u) and z (v) at y = 0, facing +y. */
GL4D_API GLuint gl4dgGenGrid2df(GLuint width, GLuint height);
/* Draws the mesh with the program in use; an unknown id draws nothing. */
GL4D_API void gl4dgDraw(GLuint id);
/* The vertex stage moves the mesh's vertices along its y by at most below
 * downwards and above upwards (mesh units). A grid is then drawn only where
 * its blocks, so stretched, can reach the clip volume of the "proj", "view"
 * and "model" matrices that gl4duSendMatrices last set into the program in
 * use: no pixel changes, fewer vertices are shaded. Negative or non-finite
 * values: the whole mesh. */
GL4D_API void gl4dgSetReach(GLuint id, GLfloat below, GLfloat above);
/* Only the part of the mesh within radius of (x, z) in its x-z plane can
 * change a pixel (mesh units; the program shades the rest invisible): with
 * a reach set, a grid is then drawn only where its blocks meet that disc.
 * A negative or non-finite radius: no such bound. */
GL4D_API void gl4dgSetDisc(GLuint id, GLfloat x, GLfloat z, GLfloat radius);

GL4D_END_DECLS

#endif
