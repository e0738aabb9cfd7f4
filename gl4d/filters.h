/* Image filters: GPU passes from one 2-D texture to another.
 *
 * Common to every filter:
 * - in and out are 2-D texture names; out may be in (in place). Sizes are
 *   the textures' own level 0. A filter runs at in's size; when out's size
 *   differs, the result is resampled into out as gl4dfConvTex2Tex does.
 * - Edges repeat (clamp to edge) wherever a filter reads past them.
 * - Float textures keep their range and precision: the private temporaries
 *   take a float format for them.
 * - A texture without an image (no level 0 yet) is left alone, silently; a
 *   name that is no texture, or an out that cannot be drawn into, is
 *   reported on stderr under the filter's name and nothing is drawn.
 * - The caller's GL state is left exactly as found: draw and read
 *   framebuffers (their attachments untouched), viewport, program, vertex
 *   array, active unit, unit 0's 2-D texture and sampler, depth, blend,
 *   cull, scissor, stencil and dither switches, colour mask, clear colour.
 * - weightMap arguments: 0 (none) is the only meaning; other values are
 *   ignored. flipV mirrors the result vertically.
 * - gl4duClean(GL4DU_FILTERS) frees the filters' programs, framebuffers,
 *   samplers and temporaries, and returns them to their first state (Sobel
 *   settings to their defaults, scattering's random sequence restarted). */
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

/* Gaussian blur of standard deviation radius / 3 (in texels of in), applied
 * nbIterations times: computed as the one Gaussian those compose to, of
 * standard deviation radius / 3 * sqrt(nbIterations). Radius 0 or 0
 * iterations copies exactly. All four channels are blurred. The cost does
 * not depend on the radius, and the strength grows smoothly with it. */
GL4D_API void gl4dfBlur(GLuint in, GLuint out, GLuint radius, GLuint nbIterations,
                        GLuint weightMap, GLboolean flipV);
/* How far, in texels, the input that one output texel of that blur depends
 * on reaches from it; nothing further changes it. */
GL4D_API GLuint gl4dfBlurReach(GLuint radius, GLuint nbIterations);
/* The same Gaussian of standard deviation sigma texels of in, any real
 * sigma: 0 or less (or NaN) copies exactly. */
GL4D_API void gl4dfBlurSigma(GLuint in, GLuint out, GLfloat sigma, GLboolean flipV);
/* Each output pixel takes the input pixel at a pseudo-random offset within
 * radius (Euclidean, whole pixels; offsets past an edge are mirrored back,
 * which keeps the mean colour), drawn afresh at every call, so that repeated
 * calls on one texture keep dissolving it. density: a pixel keeps its place
 * with odds density : 1, i.e. probability density / (density + 1); 0
 * scatters every pixel (the fully scattered look), 3 one pixel in four.
 * Radius 0 copies. */
GL4D_API void gl4dfScattering(GLuint in, GLuint out, GLuint radius, GLuint density,
                              GLuint weightMap, GLboolean flipV);
/* 3 x 3 median of each channel, nbIterations times; 0 iterations copies. */
GL4D_API void gl4dfMedian(GLuint in, GLuint out, GLuint nbIterations, GLboolean flipV);
/* Sobel edges: the magnitude of the gradient by the 3 x 3 Sobel kernels, per
 * colour channel (RGB modes) or of the luminance 0.299 R + 0.587 G + 0.114 B
 * (luminance modes), capped at 1, inverted by the INV modes; then combined
 * with the input by the mix mode and factor, as the enumeration says. Alpha
 * is the input's in every mode. Settings persist between calls; defaults:
 * GL4DF_SOBEL_RESULT_RGB, GL4DF_SOBEL_MIX_NONE, factor 1. */
GL4D_API void gl4dfSobel(GLuint in, GLuint out, GLboolean flipV);
/* Result modes 0..3 and mix modes 4..6 (the values are fixed); any other
 * value is reported on stderr and the current mode kept. */
GL4D_API void gl4dfSobelSetResultMode(GL4DFenum mode);
GL4D_API void gl4dfSobelSetMixMode(GL4DFenum mode);
/* Mix factor, held within 0..1; NaN is reported and the factor kept. */
GL4D_API void gl4dfSobelSetMixFactor(GLfloat factor);
/* Where only part of an output matters. The filter calls that follow
 * compute the texels of out inside the rectangle x, y, w, h (texels of out's
 * level 0, clipped to it) exactly as a call without it would, and of the
 * rest only what those need, so that their cost follows the rectangle's
 * area; out's texels outside it are left undefined. An empty rectangle (w or
 * h 0) computes nothing, though scattering draws its next pattern all the
 * same; a negative w or h asks for whole outputs again (the default, and
 * what gl4duClean(GL4DU_FILTERS) restores). gl4dfBlur, gl4dfScattering and
 * gl4dfMedian keep to it where out has in's size and flipV is false; every
 * other call computes its whole output. */
GL4D_API void gl4dfSetRegion(GLint x, GLint y, GLsizei w, GLsizei h);
/* Copies in to out: exact at equal sizes (flipped or not, in place or not);
 * otherwise filtered resampling: each output pixel averages ceil(scale) x
 * ceil(scale) bilinear samples spread over its footprint (scale: source
 * texels per output pixel on that axis, at most 32 samples an axis), which
 * is a box filter when shrinking and bilinear interpolation when
 * enlarging. */
GL4D_API void gl4dfConvTex2Tex(GLuint in, GLuint out, GLboolean flipV);

GL4D_END_DECLS

#endif
