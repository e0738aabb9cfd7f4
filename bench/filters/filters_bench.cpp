// Benchmark of the image filters at 1920 x 1080, every call in place as the
// scenes make them. Prints each filter in milliseconds and in copies (its
// time over that of the reference pass), the blur's radius -> copies table
// for radii 1 to 128, and whether each target is met. The reference pass is
// timed in the same run, interleaved with the filter run by run.
//
//   filters_bench [--runs N] [--quick]   (--quick: every 8th radius only)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "support/copies.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

struct Options {
  int runs = 9;
  bool quick = false;
};

Options parse(int argc, char **argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--quick")) {
      o.quick = true;
    } else if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) {
      o.runs = std::max(3, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: %s [--runs N] [--quick]\n", argv[0]);
      std::exit(2);
    }
  }
  return o;
}

}  // namespace

int main(int argc, char **argv) {
  const Options opt = parse(argc, argv);
  bench::openContext(argc > 0 ? 1 : 0, argv);
  bench::Target frame = bench::makeTarget(kWidth, kHeight), other = bench::makeTarget(kWidth, kHeight);
  const GLuint tex = frame.tex;
  // Each run of a filter is timed between two runs of the reference pass;
  // the cost is the median of the ratios (bench::medianCopies).
  const bench::ReferencePass reference(frame, other);
  auto copies = [&](const std::function<void()> &work, double *ms) {
    return bench::medianCopies(work, reference, opt.runs, 2, ms);
  };

  struct Row {
    const char *name;
    std::function<void()> work;
    double limit;  // in copies; 0: none
  };
  const Row rows[] = {
      {"gl4dfBlur r4 x1", [&] { gl4dfBlur(tex, tex, 4, 1, 0, GL_FALSE); }, 6},
      {"gl4dfBlur r4 x2 (per call)", [&] { gl4dfBlur(tex, tex, 4, 2, 0, GL_FALSE); }, 12},
      {"gl4dfBlur r21 x1", [&] { gl4dfBlur(tex, tex, 21, 1, 0, GL_FALSE); }, 6},
      {"gl4dfBlur r122 x1", [&] { gl4dfBlur(tex, tex, 122, 1, 0, GL_FALSE); }, 6},
      {"gl4dfScattering r13 d0", [&] { gl4dfScattering(tex, tex, 13, 0, 0, GL_FALSE); }, 2},
      {"gl4dfScattering r7 d3", [&] { gl4dfScattering(tex, tex, 7, 3, 0, GL_FALSE); }, 2},
      {"gl4dfMedian x1", [&] { gl4dfMedian(tex, tex, 1, GL_FALSE); }, 4},
      {"gl4dfSobel inv-lum add 0.9",
       [&] {
         gl4dfSobelSetResultMode(GL4DF_SOBEL_RESULT_INV_LUMINANCE);
         gl4dfSobelSetMixFactor(0.9f);
         gl4dfSobelSetMixMode(GL4DF_SOBEL_MIX_ADD);
         gl4dfSobel(tex, tex, GL_FALSE);
       },
       3},
      {"gl4dfConvTex2Tex", [&] { gl4dfConvTex2Tex(tex, other.tex, GL_FALSE); }, 0},
      {"gl4dfConvTex2Tex flipped", [&] { gl4dfConvTex2Tex(tex, other.tex, GL_TRUE); }, 0},
  };

  std::printf("frame %d x %d, median of %d runs a measure\n\n", kWidth, kHeight, opt.runs);
  std::printf("%-30s %9s %8s %8s\n", "filter (in place)", "ms", "copies", "target");
  bool ok = true;
  for (const Row &row : rows) {
    double ms = 0;
    const double c = copies(row.work, &ms);
    const bool met = row.limit == 0 || c <= row.limit;
    ok = ok && met;
    std::printf("%-30s %9.2f %8.2f", row.name, ms, c);
    if (row.limit) std::printf("    <= %-3.0f %s", row.limit, met ? "ok" : "MISSED");
    std::printf("\n");
  }

  std::printf("\nblur, one iteration: radius -> copies (target <= 6)\n");
  double worst = 0, at4 = 0, at122 = 0;
  int printed = 0;
  for (int r = 1; r <= 128; ++r) {
    if (opt.quick && !(r <= 8 || r % 8 == 0 || r == 122)) continue;
    double ms = 0;
    const double c = copies([&] { gl4dfBlur(tex, tex, GLuint(r), 1, 0, GL_FALSE); }, &ms);
    worst = std::max(worst, c);
    if (r == 4) at4 = c;
    if (r == 122) at122 = c;
    std::printf("%4d %6.2f%s", r, c, ++printed % 8 == 0 ? "\n" : "   ");
    std::fflush(stdout);
  }
  const bool flat = at122 <= 3 * at4, bounded = worst <= 6;
  ok = ok && flat && bounded;
  std::printf("\nworst radius: %.2f copies (<= 6: %s); radius 122 / radius 4 = %.2f (<= 3: %s)\n", worst,
              bounded ? "ok" : "MISSED", at122 / at4, flat ? "ok" : "MISSED");
  std::printf("%s\n", ok ? "all targets met" : "some targets missed");
  bench::freeTarget(frame);
  bench::freeTarget(other);
  gl4duClean(GL4DU_ALL);
  return ok ? 0 : 1;
}
