// Placeholder scenes: each clears to a colour of its own until the real
// scenes land; fondu cuts at the middle of its row.
#include "animations.h"

#include <cstdlib>

static void _quit(void) {}

void animationsInit(void) { atexit(_quit); }

static void clearTo(int state, float r, float g, float b) {
  if (state == 0 || state == 1 || state == 3) return;
  glClearColor(r, g, b, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

void fondu(void (*first)(int), void (*second)(int), GLuint duration, GLuint elapsed, int state) {
  if (state == 0 || state == 3) return;
  if (state == 1) {
    if (first) first(1);
    if (second) second(1);
    return;
  }
  void (*shown)(int) = 2 * elapsed < duration ? first : second;
  if (shown) shown(state);
}

void noir(int state) { clearTo(state, 0.0f, 0.0f, 0.0f); }
void vert(int state) { clearTo(state, 0.0f, 0.35f, 0.0f); }
void huit(int state) { clearTo(state, 0.5f, 0.5f, 0.5f); }
void rouge(int state) { clearTo(state, 0.6f, 0.0f, 0.0f); }
void beep(int state) { clearTo(state, 0.0f, 0.2f, 0.0f); }
void beebegin(int state) { clearTo(state, 0.1f, 0.1f, 0.4f); }
void bee2(int state) { clearTo(state, 0.2f, 0.2f, 0.5f); }
void bee3(int state) { clearTo(state, 0.3f, 0.3f, 0.6f); }
void bee4(int state) { clearTo(state, 0.1f, 0.3f, 0.5f); }
void bee5(int state) { clearTo(state, 0.3f, 0.2f, 0.1f); }
void bee6(int state) { clearTo(state, 0.4f, 0.3f, 0.2f); }
void bee7(int state) { clearTo(state, 0.5f, 0.4f, 0.3f); }
