// gl4duClean: releases the layer's objects in a safe order (scenes first,
// while everything they use still exists).
#include "gl4d/clean.h"

#include "gl4d/core/internal.h"

void gl4duClean(GLuint flags) {
  if (flags & GL4DU_SCENES) gl4d::releaseScenes();
  if (flags & GL4DU_FILTERS) gl4d::releaseFilters();
  if (flags & GL4DU_GEOMETRY) gl4d::releaseGeometry();
  if (flags & GL4DU_PROGRAMS) gl4d::releasePrograms();
  if (flags & GL4DU_MATRICES) gl4d::releaseMatrices();
}
