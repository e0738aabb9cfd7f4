// Cost of one frame of the bee chase, at 1920 x 1080 unless a size is given,
// in ms and in copies (a reference pass at the same size), with its CPU time
// (all threads; it holds up on a loaded machine): the backdrop with
// its three filters, the landscape flat (the opening, bee2, bee3) and in
// relief (bee4's end, bee5 to bee7), the bee; then whole frames of bee2 (the
// chase and its edge filters; target <= 25 copies), bee4 in relief and
// bee6 (scattering and a blur that widens with its clock); the share of the
// landscape grid that culling leaves to draw in those views.
//   bench_bee [width height]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <time.h>

#include "animations.cpp"
#include "gl4d/core/switches.h"
#include "support/copies.h"

// The audio module is not part of the picture.
void ahSetStep(int) {}
void ahSetStepAt(int, double) {}
long ahGetAudioStreamFrame(void) { return 0; }
void ahSetNeige(int) {}
float ahAverage(void) { return 0.0f; }
int ahPathLength(void) { return 0; }

namespace {

int W = 1920, H = 1080;
bench::Target frame;
GLuint depth = 0;

void bindFrame() {
  glBindFramebuffer(GL_FRAMEBUFFER, frame.fbo);
  glViewport(0, 0, W, H);
}

// The rig's camera, lights and GL switches for a pass timed alone.
void chaseSetUp(const GLfloat *p) {
  bindFrame();
  subbeeX(p, sceneClock(bee2));
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
}

// Cost in copies on a shared machine: each round times one run of the work
// between two reference passes and divides by their mean; the median of
// nine rounds' ratios is kept. ms gets the median time of the work.
double copiesOf(const bench::Target &src, const bench::Target &dst, const std::function<void()> &work, double &ms) {
  bench::medianMs(work, 1, 2);  // warm-up
  std::vector<double> ratios, times;
  for (int round = 0; round < 9; ++round) {
    const double before = bench::referencePassMs(src, dst);
    const double t = bench::medianMs(work, 1, 0);
    const double after = bench::referencePassMs(src, dst);
    ratios.push_back(2.0 * t / (before + after));
    times.push_back(t);
  }
  std::sort(ratios.begin(), ratios.end());
  std::sort(times.begin(), times.end());
  ms = times[4];
  return ratios[4];
}

// CPU time of the process, all threads: on llvmpipe the rasteriser threads'
// work too, which holds up on a loaded machine where wall time does not.
double processCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

}  // namespace

int main(int argc, char **argv) {
  bench::frameSizeFromArguments(argc, argv, &W, &H);
  bench::openContext(argc, argv, 64, 64);
  frame = bench::makeTarget(W, H);
  depth = bench::attachDepth(frame);
  bindFrame();
  animationsInit();
  bench::Target src = bench::makeTarget(W, H), dst = bench::makeTarget(W, H);

  static const GLfloat flat[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  static const GLfloat relief[4] = {0.0f, 3.0f, 2.0f, 2.0f};
  std::printf("%d x %d, reference pass %.3f ms\n", W, H, bench::referencePassMs(src, dst));
  auto report = [&](const char *what, const std::function<void()> &work, const char *target = "") {
    double ms = 0.0;
    const double copies = copiesOf(
        src, dst,
        [&] {
          // The reference pass binds its own target.
          bindFrame();
          work();
        },
        ms);
    std::vector<double> cpu;
    for (int i = 0; i < 9; ++i) {
      glFinish();
      const double c0 = processCpuMs();
      bindFrame();
      work();
      glFinish();
      cpu.push_back(processCpuMs() - c0);
    }
    std::sort(cpu.begin(), cpu.end());
    std::printf("  %-44s %8.2f ms %7.2f copies  CPU %8.2f ms%s\n", what, ms, copies, cpu[4], target);
  };

  chaseSetUp(flat);
  report("backdrop with its three filters", [] {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    fond(1.0);
  });
  report("landscape, flat", [] {
    glClear(GL_DEPTH_BUFFER_BIT);
    grid_draw(0.0f, 0.0f, 2.0f);
  });
  chaseSetUp(relief);
  report("landscape, relief 2", [] {
    glClear(GL_DEPTH_BUFFER_BIT);
    grid_draw(0.0f, 2.0f, _bee[2] + 4.0f);
  });
  report("bee", [] { bee_draw({0.5f, 0.5f}); });
  report(
      "whole bee2 frame", [] { bee2(2); }, " (target <= 25)");
  report("whole subbeeX frame in relief (no filter)", [] { subbeeX(relief, sceneClock(bee2)); });
  report("whole bee6 frame (blur 10 and up)", [] { bee6(2); });
  // How much of the 512 x 512 grid reaches the view and is drawn at all (the
  // flat ground is the 9 x 9 grid of the same square).
  auto share = [](const char *what, const std::function<void()> &draw) {
    bindFrame();
    draw();
    std::printf("  grid drawn, %-33s %7.1f %%\n", what, 100.0 * gl4dgDrawnShare(_grid));
  };
  share("the end of the climb (bee4)", [] { subbeeX(relief, sceneClock(bee2)); });
  share("bee5 to bee7", [] { subbeeY(highChase, sceneClock(bee5)); });
  gl4duClean(GL4DU_ALL);
  bench::freeTarget(src);
  bench::freeTarget(dst);
  return 0;
}
