// Cost of the spiral and the credits at the show's frame size, 1920 x 1080:
// one frame of each in ms and in copies (targets: spiral <= 4, credits <= 3),
// and the spiral's initialisation (program builds, pattern texture, the one
// pattern pass; target < 50 ms). The credits run on SDL's ticks, and what
// they cover changes as the text rolls, so their rounds are taken at the
// start, the middle and the end of the roll (about 12 s in all). The
// spiral's audio call goes nowhere here.
#include <SDL2/SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "credits.h"
#include "spi.h"
#include "support/copies.h"

void ahSetStep(int) {}
void ahSetStepAt(int, double) {}
long ahGetAudioStreamFrame(void) { return 0; }

namespace {

constexpr int W = 1920, H = 1080;

// The frame the scenes draw into, as the scene manager makes it: colour
// texture and depth buffer.
struct Frame {
  bench::Target colour;
  GLuint depth = 0;
};

Frame makeFrame() {
  Frame f{bench::makeTarget(W, H), 0};
  f.depth = bench::attachDepth(f.colour);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  return f;
}

void bind(const Frame &f) {
  glBindFramebuffer(GL_FRAMEBUFFER, f.colour.fbo);
  glViewport(0, 0, W, H);
}

double msOf(void (*work)()) {
  const auto t0 = std::chrono::steady_clock::now();
  work();
  glFinish();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char **argv) {
  bench::openContext(argc, argv, W, H);
  gl4duGenMatrix(GL_FLOAT, "pm");
  static Frame frame = makeFrame();
  bench::Target src = bench::makeTarget(W, H), dst = bench::makeTarget(W, H);

  bind(frame);
  const double firstInit = msOf([] { spi(0); });
  double reinit[5];
  for (double &ms : reinit) {
    spi(3);
    bind(frame);
    ms = msOf([] { spi(0); });
  }
  std::sort(reinit, reinit + 5);
  std::printf("spi initialisation: first %.1f ms, again (median of 5) %.1f ms (target < 50)\n", firstInit, reinit[2]);

  bind(frame);
  credits(0);
  bind(frame);
  credits(2);  // the roll's first frame
  const Uint32 rollStart = SDL_GetTicks();
  const Uint32 rollMoments[] = {0, 5600, 11200};
  for (int round = 0; round < 3; ++round) {
    const Uint32 due = rollStart + rollMoments[round], now = SDL_GetTicks();
    if (now < due) SDL_Delay(due - now);
    const double reference = bench::referencePassMs(src, dst);
    const double spiral = bench::medianMs([] {
      bind(frame);
      spi(2);
    });
    const double roll = bench::medianMs([] {
      bind(frame);
      credits(2);
    });
    std::printf("round %d: reference pass %.3f ms; spi frame %.3f ms = %.2f copies (target <= 4); "
                "credits frame at %.1f s of the roll %.3f ms = %.2f copies (target <= 3)\n",
                round + 1, reference, spiral, spiral / reference, rollMoments[round] / 1000.0, roll,
                roll / reference);
  }
  spi(3);
  credits(3);
  gl4duClean(GL4DU_ALL);
  bench::freeTarget(src);
  bench::freeTarget(dst);
  return 0;
}
