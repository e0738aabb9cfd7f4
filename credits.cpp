// Placeholder credits scene until the real one lands.
#include "credits.h"

#include "gl4d/gl4d.h"

void credits(int state) {
  if (state == 0 || state == 1 || state == 3) return;
  glClearColor(0.8f, 0.8f, 0.8f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}
