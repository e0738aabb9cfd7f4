// The scene manager's own cost per frame at 1920 x 1080 (binding its
// framebuffer, finding the row, presenting the frame over the drawable),
// with a scene that draws nothing, in ms and in copies.
#include <cstdio>

#include "support/copies.h"

namespace {

void nothing(int) {}

GL4DHanime table[] = {{1000000000u, nothing, nullptr, nullptr}, {0, nullptr, nullptr, nullptr}};

}  // namespace

int main(int argc, char **argv) {
  constexpr int W = 1920, H = 1080;
  bench::openContext(argc, argv, W, H);
  bench::Target src = bench::makeTarget(W, H), dst = bench::makeTarget(W, H);
  gl4dhInit(table, W, H, nullptr);
  for (int round = 0; round < 2; ++round) {
    const double reference = bench::referencePassMs(src, dst);
    const double frame = bench::medianMs([] { gl4dhDraw(); }, 31, 5);
    std::printf("round %d: reference pass %.3f ms; scene manager frame %.3f ms = %.2f copies (target <= 1.5)\n",
                round + 1, reference, frame, frame / reference);
  }
  gl4duClean(GL4DU_ALL);
  bench::freeTarget(src);
  bench::freeTarget(dst);
  return 0;
}
