// Run where the demo's font cannot be found: initialises and draws huit and
// the credits, as the scene manager would, then reports on standard output
// whether the font file was reachable and the brightest value each frame
// drew. The scenes' own messages go to standard error.
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "animations.h"
#include "credits.h"
#include "support/gl_test.h"

namespace {

constexpr int W = 160, H = 90;

int brightest() {
  const auto px = hf::readPixels(0, 0, W, H);
  int m = 0;
  for (size_t i = 0; i < px.size(); i += 4) m = std::max({m, int(px[i]), int(px[i + 1]), int(px[i + 2])});
  return m;
}

}  // namespace

int main() {
  std::printf("font reachable: %d\n",
              access("/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf", R_OK) == 0);
  hf::ensureContext();
  const GLuint tex = hf::makeTexture(W, H);
  const GLuint fbo = hf::makeFramebuffer(tex, W, H, true);
  auto bind = [&] {
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, W, H);
  };
  bind();
  animationsInit();
  bind();
  huit(0);
  credits(0);
  gl4dSetManualClock(GL_TRUE);
  for (int frame = 0; frame < 3; ++frame) {
    gl4dAdvanceElapsedTime(16.0);
    bind();
    huit(2);
  }
  std::printf("huit brightest: %d\n", brightest());
  bind();
  credits(2);
  std::printf("credits brightest: %d\n", brightest());
  return 0;
}
