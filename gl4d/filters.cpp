// Image filters. Placeholder bodies until the filter passes land: each call
// leaves its destination untouched.
#include "gl4d/filters.h"

#include "gl4d/internal.h"

void gl4dfBlur(GLuint, GLuint, GLuint, GLuint, GLuint, GLboolean) {}
void gl4dfScattering(GLuint, GLuint, GLuint, GLuint, GLuint, GLboolean) {}
void gl4dfMedian(GLuint, GLuint, GLuint, GLboolean) {}
void gl4dfSobel(GLuint, GLuint, GLboolean) {}
void gl4dfSobelSetResultMode(GL4DFenum) {}
void gl4dfSobelSetMixMode(GL4DFenum) {}
void gl4dfSobelSetMixFactor(GLfloat) {}
void gl4dfConvTex2Tex(GLuint, GLuint, GLboolean) {}

void gl4d::releaseFilters() {}
