// Plays the opening of the show (rows 0 to 6, up to 38.1 s: noir, huit,
// rouge, vert, beep) through the real scene manager and the real sound routine, on the
// manual clock: every audio block (1024 frames of silence, as SDL_mixer
// hands them over before the module starts) goes through mixCallback, whose
// audio update reaches the scenes, and frames are drawn 60 times a second.
// Writes each scene's own picture (inside a cross-fade, its capture) at
// these show times into the folder:
//   huit_2s.png (huit 1 s in), huit_13s.png (12 s in), huit_loud.png (the
//   frame after the roughest block from 10 s until the snow can start, at
//   16 s), huit_17s.png, huit_18s.png and huit_19s.png (the snow growing),
//   rouge_22s.png, rouge_25s.png,
//   beep_30s.png, beep_38s.png
// and prints the sound measures the scenes saw. beep costs about 130
// reference passes a frame: with a trace window of S seconds, beep's frames
// are drawn only from S seconds before each of its pictures (and its first
// frame, which selects the beeps); the trail fades by half every half second,
// so S = 1.5 leaves little of the skipped time.
//   opening_pictures <folder> [width height [trace window]]
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "animations.h"
#include "audioHelper.h"
#include "gl4d/gl4d.h"
#include "support/gl_test.h"
#include "support/png.h"

namespace {

std::string folder;
int W = 960, H = 540;
double showStart = 0.0;  // clock at the show's first frame, ms

double showMs() { return gl4dGetElapsedTime() - showStart; }

struct Wanted {
  std::string scene, file;
  double ms;
  bool done = false;
};
std::vector<Wanted> wanted = {
    {"huit", "huit_2s.png", 2000},   {"huit", "huit_13s.png", 13000}, {"huit", "huit_17s.png", 17000},
    {"huit", "huit_18s.png", 18000}, {"huit", "huit_19s.png", 19000},
    {"rouge", "rouge_22s.png", 22000},
    {"rouge", "rouge_25s.png", 25000}, {"beep", "beep_30s.png", 30000}, {"beep", "beep_38s.png", 38000},
};
int lastPathLength = 0;  // of the latest block
bool loudPending = false;
int loudest = 0;
double loudAt = 0.0;

// The scene's own picture: the texture it has just drawn into.
void saveFrame(const std::string &file) {
  GLint tex = 0;
  glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME,
                                        &tex);
  int w = 0, h = 0;
  const auto px = hf::readTexture(static_cast<GLuint>(tex), GL_TEXTURE_2D, &w, &h);
  const std::string path = folder + "/" + file;
  if (!hf::writePng(path, w, h, px.data())) std::fprintf(stderr, "cannot write %s\n", path.c_str());
}

void afterDraw(const char *scene) {
  for (Wanted &w : wanted)
    if (!w.done && w.scene == scene && showMs() >= w.ms) {
      saveFrame(w.file);
      std::printf("%s at %.3f s (last block's path length %d)\n", w.file.c_str(), showMs() / 1000.0,
                  lastPathLength);
      w.done = true;
    }
  if (loudPending && std::string(scene) == "huit") {
    saveFrame("huit_loud.png");
    loudPending = false;
  }
}

bool drawing(int state) { return state != 0 && state != 1 && state != 3; }
void huitShot(int state) {
  huit(state);
  if (drawing(state)) afterDraw("huit");
}
void rougeShot(int state) {
  rouge(state);
  if (drawing(state)) afterDraw("rouge");
}
void beepShot(int state) {
  beep(state);
  if (drawing(state)) afterDraw("beep");
}

GL4DHanime opening[] = {
    {1000, noir, nullptr, nullptr},        {9000, noir, huitShot, fondu}, {11040, huitShot, nullptr, nullptr},
    {4500, rougeShot, nullptr, nullptr},   {200, rougeShot, vert, fondu}, {20, vert, nullptr, nullptr},
    {16000, beepShot, nullptr, nullptr},   {0, nullptr, nullptr, nullptr},
};

// Whether the frame at show time t falls in beep's row outside every trace
// window (beep's first frame is always drawn).
bool skipped(double t, double windowMs, double frameMs) {
  const double beepStart = 25760.0;
  if (t < beepStart + frameMs) return false;
  for (const Wanted &w : wanted)
    if (w.scene == "beep" && t > w.ms - windowMs && t <= w.ms + frameMs) return false;
  return true;
}

// The measures of the block just processed, as the scenes took them.
struct Measures {
  int pathLength;
  float average;
};
Measures measure(Sint16 *block, int bytes) {
  ahSetAudioStream(block, bytes);
  const Measures m{ahPathLength(), ahAverage()};
  ahSetAudioStream(nullptr, 0);
  return m;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2 && argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: %s <folder> [width height [trace window in seconds]]\n", argv[0]);
    return 2;
  }
  folder = argv[1];
  if (argc >= 4) W = std::atoi(argv[2]), H = std::atoi(argv[3]);
  const double traceWindowMs = argc == 5 ? std::atof(argv[4]) * 1000.0 : 1e9;
  if (W <= 0 || H <= 0 || traceWindowMs <= 0.0) {
    std::fprintf(stderr, "width, height and trace window must be positive\n");
    return 2;
  }
  hf::ensureContext();
  gl4dSetManualClock(GL_TRUE);
  gl4dhInit(opening, W, H, animationsInit);
  showStart = gl4dGetElapsedTime();
  gl4dhDraw();

  const double blockMs = 1024.0 / 48.0, frameMs = 1000.0 / 60.0, endMs = 38100.0;
  std::vector<Sint16> block(2048);
  std::vector<int> huitLengths;
  float beepLow = 0.0f, beepHigh = 0.0f;
  double nextBlock = 0.0, nextFrame = frameMs;
  while (nextFrame < endMs) {
    if (nextBlock <= nextFrame) {
      gl4dSetElapsedTime(showStart + nextBlock);
      std::fill(block.begin(), block.end(), 0);
      mixCallback(nullptr, reinterpret_cast<Uint8 *>(block.data()), 4096);
      const Measures m = measure(block.data(), 4096);
      lastPathLength = m.pathLength;
      const double t = nextBlock / 1000.0;
      if (t >= 10.0 && t < 21.04) huitLengths.push_back(m.pathLength);
      if (t >= 10.0 && t < 16.0 && m.pathLength > loudest) loudest = m.pathLength, loudAt = t, loudPending = true;
      if (t >= 25.76) beepLow = std::min(beepLow, m.average), beepHigh = std::max(beepHigh, m.average);
      nextBlock += blockMs;
    } else {
      if (!skipped(nextFrame, traceWindowMs, frameMs)) {
        gl4dSetElapsedTime(showStart + nextFrame);
        gl4dhDraw();
      }
      nextFrame += frameMs;
    }
  }
  std::sort(huitLengths.begin(), huitLengths.end());
  if (!huitLengths.empty())
    std::printf("huit's own row: path length min %d, median %d, max %d; huit_loud.png after %d at %.3f s\n",
                huitLengths.front(), huitLengths[huitLengths.size() / 2], huitLengths.back(), loudest, loudAt);
  std::printf("beep: ahAverage from %.1f to %.1f (heights %.2f to %.2f)\n", beepLow, beepHigh, beepLow / 300.0f,
              beepHigh / 300.0f);
  return 0;
}
