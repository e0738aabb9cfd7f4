// Functions the layer's own files call on one another; not exported.
#pragma once

namespace gl4d {
void releaseScenes();
void releaseFilters();
void releaseGeometry();
void releasePrograms();
void releaseMatrices();
}  // namespace gl4d
