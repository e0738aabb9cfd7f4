// Prints what one cross-fade frame costs beyond its two scenes: both scenes
// here only clear, so a frame is two clears, two attachment switches and
// the blend pass. Run from the build directory (it loads shaders/).
#include <cstdio>

#include "animations.h"
#include "support/copies.h"

namespace {

void clearScene(int state) {
  if (state != 2) return;
  glClearColor(0.3f, 0.6f, 0.9f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

void measure(int w, int h) {
  bench::Target frame = bench::makeTarget(w, h), other = bench::makeTarget(w, h);
  const double reference = bench::referencePassMs(frame, other);
  glBindFramebuffer(GL_FRAMEBUFFER, frame.fbo);
  glViewport(0, 0, w, h);
  animationsInit();
  fondu(noir, clearScene, 1000, 0, 0);
  const double clears = bench::medianMs([&] {
    glBindFramebuffer(GL_FRAMEBUFFER, other.fbo);
    noir(2);
    clearScene(2);
  });
  const double frameMs = bench::medianMs([&] {
    glBindFramebuffer(GL_FRAMEBUFFER, frame.fbo);
    glViewport(0, 0, w, h);
    fondu(noir, clearScene, 1000, 500, 2);
  });
  fondu(noir, clearScene, 1000, 0, 3);
  std::printf("%4d x %4d: reference pass %.3f ms; fondu frame %.3f ms = %.2f copies, "
              "of which beyond the two scenes' clears %.3f ms = %.2f copies\n",
              w, h, reference, frameMs, frameMs / reference, frameMs - clears, (frameMs - clears) / reference);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  bench::freeTarget(frame);
  bench::freeTarget(other);
}

}  // namespace

int main(int argc, char **argv) {
  bench::openContext(argc, argv);
  measure(1920, 1080);
  measure(960, 540);
  return 0;
}
