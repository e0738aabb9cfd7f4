/* Named 4x4 float matrices, each with its own stack, in the classic
 * fixed-function convention: every transform multiplies the bound matrix on
 * the right; angles are in degrees. */
#ifndef GL4D_MATRICES_H
#define GL4D_MATRICES_H

#include "gl4d/api.h"

GL4D_BEGIN_DECLS

/* Creates the matrix (identity, one level) unless the name exists already.
 * type is GL_FLOAT. Returns GL_TRUE when the name is usable. */
GL4D_API GLboolean gl4duGenMatrix(GLenum type, const char *name);
/* Makes the named matrix the target of the calls below; an unknown name
 * leaves no matrix bound (the calls then do nothing). */
GL4D_API GLboolean gl4duBindMatrix(const char *name);

GL4D_API void gl4duLoadIdentityf(void);
GL4D_API void gl4duPushMatrix(void);
/* Pops the bound matrix's stack; its last level is never popped. */
GL4D_API void gl4duPopMatrix(void);
GL4D_API void gl4duMultMatrixf(const GLfloat *columnMajor16);
GL4D_API void gl4duTranslatef(GLfloat x, GLfloat y, GLfloat z);
GL4D_API void gl4duScalef(GLfloat x, GLfloat y, GLfloat z);
GL4D_API void gl4duRotatef(GLfloat angleDegrees, GLfloat x, GLfloat y, GLfloat z);
GL4D_API void gl4duOrthof(GLfloat l, GLfloat r, GLfloat b, GLfloat t, GLfloat n, GLfloat f);
GL4D_API void gl4duFrustumf(GLfloat l, GLfloat r, GLfloat b, GLfloat t, GLfloat n, GLfloat f);
GL4D_API void gl4duLookAtf(GLfloat eyeX, GLfloat eyeY, GLfloat eyeZ,
                           GLfloat centerX, GLfloat centerY, GLfloat centerZ,
                           GLfloat upX, GLfloat upY, GLfloat upZ);

/* Sets every matrix into the mat4 uniform of the same name of the program in
 * use, where that program has one. */
GL4D_API void gl4duSendMatrices(void);

/* Copies the top of the named matrix's stack (column-major) into out.
 * Returns GL_FALSE for an unknown name. */
GL4D_API GLboolean gl4duGetMatrixData(const char *name, GLfloat out[16]);

GL4D_END_DECLS

#endif
