// Frame cost of the opening scenes at the show's size, 1920 x 1080 (or the
// size given: bench_opening [width height]), in ms
// and in copies (targets: huit and rouge <= 15 copies, beep <= 15). Each
// scene draws into a frame with a depth buffer, as the scene manager's.
// huit is measured where its blur is widest (122), half way (about 60) and
// at its end (about 15, with scattering and the hand-over copy); rouge at its
// start (huit's last radius); beep in its sweep. The manual clock holds
// still during the runs, so every run repeats the same frame; beep's runs
// each move it on by a 60 Hz step, the span a trace frame computes. The
// sound measures are handed in by this program. Run from the build
// directory.
#include <cstdio>

#include "animations.h"
#include "audioHelper.h"
#include "support/copies.h"

namespace {
int pathLength = 0;
float average = 0.0f;
}  // namespace

void ahSetStep(int) {}
void ahSetNeige(int) {}
float ahAverage(void) { return average; }
int ahPathLength(void) { return pathLength; }

namespace {

int W = 1920, H = 1080;

struct Frame {
  bench::Target colour;
  GLuint depth = 0;
  void bind() const {
    glBindFramebuffer(GL_FRAMEBUFFER, colour.fbo);
    glViewport(0, 0, W, H);
  }
};

Frame makeFrame() {
  Frame f{bench::makeTarget(W, H), 0};
  f.depth = bench::attachDepth(f.colour);
  return f;
}

Frame frame;
double clockOrigin = 0.0;

// Moves the scene's clock to t seconds and draws there once, so that the
// runs that follow repeat that moment.
void reach(void (*scene)(int), double t) {
  gl4dSetElapsedTime(clockOrigin + t * 1000.0);
  frame.bind();
  scene(2);
}

void report(const char *what, void (*scene)(int), const bench::ReferencePass &reference, double target,
            int runs, double stepMs = 0.0) {
  double ms = 0.0;
  const double copies = bench::medianCopies(
      [scene, stepMs] {
        if (stepMs > 0.0) gl4dSetElapsedTime(gl4dGetElapsedTime() + stepMs);
        frame.bind();
        scene(2);
      },
      reference, runs, 2, &ms);
  std::printf("%-44s %8.2f ms = %6.2f copies (target <= %.0f)\n", what, ms, copies, target);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char **argv) {
  bench::frameSizeFromArguments(argc, argv, &W, &H);
  bench::openContext(argc, argv);
  frame = makeFrame();
  frame.bind();
  animationsInit();
  huit(0);
  bench::Target src = bench::makeTarget(W, H), dst = bench::makeTarget(W, H);
  const bench::ReferencePass reference(src, dst);
  gl4dSetManualClock(GL_TRUE);
  clockOrigin = gl4dGetElapsedTime() + 1000.0;

  std::printf("%d x %d; medians of runs interleaved with the reference pass (%.2f ms now)\n", W, H,
              bench::referencePassMs(src, dst));
  reach(huit, 0.0);
  report("huit, start (blur 122, no scattering)", huit, reference, 15, 9);
  reach(huit, 9.0);
  report("huit, 9 s (blur 84)", huit, reference, 15, 9);
  pathLength = 140;  // the drone's typical roughness: scattering 20
  huit(1);
  reach(huit, 20.03);
  report("huit, 20 s (blur 15, scattering 20, copy)", huit, reference, 15, 9);

  reach(rouge, 0.0);
  report("rouge, start (blur 15, scattering 21)", rouge, reference, 15, 9);

  average = 120.0f;
  beep(1);
  reach(beep, 0.0);
  reach(beep, 4.0);
  report("beep (a 60 Hz step)", beep, reference, 15, 9, 1000.0 / 60.0);

  std::printf("reference pass at the end: %.2f ms\n", bench::referencePassMs(src, dst));
  huit(3);
  bench::freeTarget(src);
  bench::freeTarget(dst);
  return 0;
}
