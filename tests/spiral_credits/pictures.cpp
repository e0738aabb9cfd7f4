// Writes the pictures of the spiral and the credits at the show's moments of
// interest, to look at: spiral_42s.png, spiral_50s.png, spiral_58s.png,
// credits_140s.png and credits_146s.png in the given folder. Each scene is
// drawn alone (no cross-fade). The spiral runs on the manual clock; the
// credits on SDL's ticks, so the program waits in real time for them.
//   spiral_credits_pictures <folder> [width height]
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "credits.h"
#include "gl4d/gl4d.h"
#include "spi.h"
#include "support/gl_test.h"
#include "support/png.h"

void ahSetStep(int) {}

namespace {

// Show time of each scene's first draw, in seconds.
constexpr double kSpiStart = 41.76, kCreditsStart = 137.26;

void save(const std::string &path, int w, int h) {
  const auto pixels = hf::readPixels(0, 0, w, h);
  if (!hf::writePng(path, w, h, pixels.data())) std::fprintf(stderr, "cannot write %s\n", path.c_str());
  std::printf("%s\n", path.c_str());
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: %s <folder> [width height]\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  const int w = argc == 4 ? std::atoi(argv[2]) : 480, h = argc == 4 ? std::atoi(argv[3]) : 270;
  if (w <= 0 || h <= 0) {
    std::fprintf(stderr, "width and height must be positive\n");
    return 2;
  }
  hf::ensureContext();
  gl4duGenMatrix(GL_FLOAT, "pm");
  GLuint depth = 0;
  const GLuint tex = hf::makeTexture(w, h);
  const GLuint fbo = hf::makeFramebuffer(tex, w, h, true, &depth);
  auto bindTarget = [&] {
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, w, h);
  };

  gl4dSetManualClock(GL_TRUE);
  const double clockStart = gl4dGetElapsedTime() + 1000.0;
  bindTarget();
  spi(0);
  for (double showSeconds : {42.0, 50.0, 58.0}) {
    gl4dSetElapsedTime(clockStart + (showSeconds - kSpiStart) * 1000.0);
    bindTarget();
    spi(2);
    save(dir + "/spiral_" + std::to_string(static_cast<int>(showSeconds)) + "s.png", w, h);
  }

  bindTarget();
  credits(0);
  Uint32 first = 0;
  for (double showSeconds : {140.0, 146.0}) {
    const Uint32 due = static_cast<Uint32>((showSeconds - kCreditsStart) * 1000.0);
    if (first) {
      const Uint32 now = SDL_GetTicks();
      if (now < first + due) SDL_Delay(first + due - now);
    } else {
      first = SDL_GetTicks();  // the first draw; the roll then needs due ms more
      bindTarget();
      credits(2);
      SDL_Delay(due);
    }
    bindTarget();
    credits(2);
    save(dir + "/credits_" + std::to_string(static_cast<int>(showSeconds)) + "s.png", w, h);
  }
  return 0;
}
