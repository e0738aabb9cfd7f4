/* Image filters: GPU passes from one 2-D texture to another. Source and
 * destination may be the same texture. Sizes are the textures' own. Every
 * filter leaves the caller's GL state as it found it (framebuffer binding and
 * its colour attachment, viewport, program, active unit and the bindings it
 * touched, depth and blend switches, clear colour). Weight-map arguments:
 * 0 means none. flipV mirrors the result vertically. */
#ifndef GL4D_FILTERS_H
#define GL4D_FILTERS_H

#include "gl4d/api.h"

GL4D_BEGIN_DECLS

typedef enum {
  GL4DF_SOBEL_RESULT_RGB = 0,           /* edges per colour channel */
  GL4DF_SOBEL_RESULT_INV_RGB = 1,       /* 1 - edges per channel */
  GL4DF_SOBEL_RESULT_LUMINANCE = 2,     /* edges of the luminance, grey */
  GL4DF_SOBEL_RESULT_INV_LUMINANCE = 3, /* 1 - edges of the luminance */
  GL4DF_SOBEL_MIX_NONE = 4,             /* the edges alone */
  GL4DF_SOBEL_MIX_ADD = 5,              /* input + factor * edges */
  GL4DF_SOBEL_MIX_MULT = 6              /* input * mix(1, edges, factor) */
} GL4DFenum;

/* Gaussian blur of standard deviation radius / 3, nbIterations times;
 * radius 0 copies. */
GL4D_API void gl4dfBlur(GLuint in, GLuint out, GLuint radius, GLuint nbIterations,
                        GLuint weightMap, GLboolean flipV);
/* Each output pixel takes the input at a pseudo-random offset within radius,
 * fresh at every call. */
GL4D_API void gl4dfScattering(GLuint in, GLuint out, GLuint radius, GLuint density,
                              GLuint weightMap, GLboolean flipV);
/* 3x3 median, nbIterations times. */
GL4D_API void gl4dfMedian(GLuint in, GLuint out, GLuint nbIterations, GLboolean flipV);
/* Sobel edges, by the result mode, combined with the input by the mix mode
 * and factor (defaults: RGB, none, 1). */
GL4D_API void gl4dfSobel(GLuint in, GLuint out, GLboolean flipV);
GL4D_API void gl4dfSobelSetResultMode(GL4DFenum mode);
GL4D_API void gl4dfSobelSetMixMode(GL4DFenum mode);
GL4D_API void gl4dfSobelSetMixFactor(GLfloat factor);
/* Copies in to out: exact at equal sizes, filtered resampling otherwise. */
GL4D_API void gl4dfConvTex2Tex(GLuint in, GLuint out, GLboolean flipV);

GL4D_END_DECLS

#endif
