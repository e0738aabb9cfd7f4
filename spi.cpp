// Placeholder spiral scene until the real one lands.
#include "spi.h"

#include "gl4d/gl4d.h"

void spi(int state) {
  if (state == 0 || state == 1 || state == 3) return;
  glClearColor(0.5f, 0.0f, 0.5f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}
