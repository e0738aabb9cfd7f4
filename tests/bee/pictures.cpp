// Writes pictures of the bee world as the show plays it: the real scene
// manager with the timeline's rows 9 to 26 (the spiral stood in for by
// black) at 60 frames a second on the manual clock, from 59.76 s. The bee's
// position and the scenes' clocks build up frame by frame as in the show, so
// the frames are drawn in order and one is written at each moment asked.
//   bee_pictures <folder> [width height] [seconds...]
// Without moments: 62 65 78 90 94 108 120 127 135. Files bee_<s>s.png.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "animations.h"
#include "gl4d/gl4d.h"
#include "support/gl_test.h"
#include "support/png.h"

namespace {

constexpr double kBeeWorldStart = 59760.0, kFrameMs = 1000.0 / 60.0;

// Rows 9 to 26 of the show behind a black row that takes it to 59.76 s.
GL4DHanime rows[] = {
    {59760, noir, nullptr, nullptr}, {2000, noir, beebegin, fondu},  {27000, beebegin, nullptr, nullptr},
    {500, beebegin, bee2, fondu},    {3000, bee2, nullptr, nullptr}, {1000, bee2, bee3, fondu},
    {3000, bee3, nullptr, nullptr},  {1000, bee3, bee2, fondu},      {2000, bee2, nullptr, nullptr},
    {1000, bee2, bee3, fondu},       {2500, bee3, nullptr, nullptr}, {500, bee3, bee4, fondu},
    {12000, bee4, nullptr, nullptr}, {3000, bee4, bee5, fondu},      {7000, bee5, nullptr, nullptr},
    {3000, bee5, bee6, fondu},       {2000, bee6, nullptr, nullptr}, {3000, bee6, bee7, fondu},
    {4000, bee7, nullptr, nullptr},  {0, nullptr, nullptr, nullptr},
};

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <folder> [width height] [seconds...]\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  int w = 480, h = 270, first = 2;
  if (argc >= 4) {
    w = std::atoi(argv[2]);
    h = std::atoi(argv[3]);
    first = 4;
  }
  if (w <= 0 || h <= 0) {
    std::fprintf(stderr, "width and height must be positive\n");
    return 2;
  }
  std::vector<double> moments;
  for (int i = first; i < argc; ++i) moments.push_back(std::atof(argv[i]));
  if (moments.empty()) moments = {62, 65, 78, 90, 94, 108, 120, 127, 135};
  for (double s : moments)
    if (s * 1000.0 < kBeeWorldStart || s > 137.26) {
      std::fprintf(stderr, "moments lie between 59.76 and 137.26 s\n");
      return 2;
    }

  hf::ensureContext();
  gl4dSetManualClock(GL_TRUE);
  gl4dSetElapsedTime(static_cast<double>(static_cast<long long>(gl4dGetElapsedTime())) + 1.0);
  gl4dhInit(rows, static_cast<GLuint>(w), static_cast<GLuint>(h), animationsInit);
  gl4dhDraw();  // show time 0
  gl4dAdvanceElapsedTime(kBeeWorldStart);
  double show = kBeeWorldStart, drawMs = 0.0;
  int frames = 0;
  for (double s : moments) {
    for (;;) {
      const auto t0 = std::chrono::steady_clock::now();
      gl4dhDraw();
      glFinish();
      drawMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
      ++frames;
      if (show >= s * 1000.0) break;
      gl4dAdvanceElapsedTime(kFrameMs);
      show += kFrameMs;
    }
    auto pixels = hf::readTexture(gl4dhGetColorTexture());
    // The frame's alpha is what the blending left; the screen shows no alpha.
    for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
    char name[64];
    std::snprintf(name, sizeof name, "/bee_%gs.png", s);
    if (!hf::writePng(dir + name, w, h, pixels.data())) {
      std::fprintf(stderr, "cannot write %s%s\n", dir.c_str(), name);
      return 1;
    }
    std::printf("%s%s at %.1f ms of the show (row %d)\n", dir.c_str(), name, show, gl4dhGetCurrentRow());
  }
  std::printf("%d frames, %.1f ms a frame\n", frames, drawMs / frames);
  gl4duClean(GL4DU_ALL);
  return 0;
}
