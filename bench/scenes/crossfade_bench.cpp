// Prints what one cross-fade frame costs beyond its two scenes: both scenes
// here only clear, so a frame is two clears, two attachment switches and
// the blend pass. Run from the build directory (it loads shaders/).
#include <algorithm>
#include <cstdio>
#include <vector>

#include "animations.h"
#include "support/copies.h"

namespace {

void clearScene(int state) {
  if (state != 2) return;
  glClearColor(0.3f, 0.6f, 0.9f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

double median(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

// The machine is shared: each round times the reference pass and the
// cross-fade back to back, and the figures are the rounds' medians.
void measure(int w, int h) {
  bench::Target frame = bench::makeTarget(w, h), other = bench::makeTarget(w, h);
  glBindFramebuffer(GL_FRAMEBUFFER, frame.fbo);
  glViewport(0, 0, w, h);
  animationsInit();
  fondu(noir, clearScene, 1000, 0, 0);
  std::vector<double> refs, frames, copies, beyond;
  for (int round = 0; round < 5; ++round) {
    const double reference = bench::referencePassMs(frame, other);
    const double clears = bench::medianMs([&] {
      glBindFramebuffer(GL_FRAMEBUFFER, other.fbo);
      noir(2);
      clearScene(2);
    }, 7, 1);
    const double frameMs = bench::medianMs([&] {
      glBindFramebuffer(GL_FRAMEBUFFER, frame.fbo);
      glViewport(0, 0, w, h);
      fondu(noir, clearScene, 1000, 500, 2);
    }, 7, 1);
    refs.push_back(reference);
    frames.push_back(frameMs);
    copies.push_back(frameMs / reference);
    beyond.push_back((frameMs - clears) / reference);
  }
  fondu(noir, clearScene, 1000, 0, 3);
  std::printf("%4d x %4d: reference pass %.3f ms; fondu frame %.3f ms = %.2f copies "
              "(%.2f copies beyond the two scenes' clears); medians of 5 rounds\n",
              w, h, median(refs), median(frames), median(copies), median(beyond));
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
