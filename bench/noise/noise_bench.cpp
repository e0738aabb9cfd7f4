// Prints the time of one noise() call along the drone's path and the share
// of one core that the drone's 96,000 calls a second take; then the time to
// build the two noise lookup textures.
#include <chrono>
#include <cstdio>

#include "ImprovedNoise.h"
#include "noise.h"
#include "support/copies.h"

int main(int argc, char **argv) {
  noise(0.5, 0.5, 0.5);  // fills the table outside the timing
  const int calls = 2000000;
  double best = 1e30, sink = 0.0;
  for (int run = 0; run < 5; ++run) {
    const auto t0 = std::chrono::steady_clock::now();
    double x = 0.0;
    for (int i = 0; i < calls; ++i, x += 0.0037) sink += noise(x, 0.5 * x, 0.5);
    const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count() / calls;
    best = ns < best ? ns : best;
  }
  std::printf("noise: %.1f ns a call (best of 5 x %d calls; checksum %.3f)\n", best, calls, sink);
  std::printf("noise: the drone's 96000 calls a second take %.2f %% of one core\n", best * 96000.0 * 1e-9 * 100.0);

  bench::openContext(argc, argv);
  const double ms = bench::medianMs([] {
    initNoiseTextures();
    freeNoiseTextures();
  });
  std::printf("initNoiseTextures + freeNoiseTextures: %.2f ms (median)\n", ms);
  return 0;
}
