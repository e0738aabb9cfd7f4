// Cost of the post-mix routine per 4096-byte block, in each mode, set up for
// its heaviest path: drone at full amplitude with growing snow (mode 0),
// snow decay from full scale (1), the countdown at full level with the
// carrier running (2), and the same with the module restarted on every
// block (3). Prints median, 99th percentile and worst block in the thread's
// CPU time, the worst as a fraction of the 21.33 ms block deadline, and the
// worst in wall time, which on a shared machine also holds the moments the
// thread was not running.
#include <SDL2/SDL_mixer.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../../audioHelper.cpp"
#ifdef HONEYFOLD_BENCH_MODULE
#include "mod_fixture.h"
#endif

namespace {

constexpr int kValues = 2048, kBlocks = 3000;
constexpr double kDeadlineUs = 1024.0 * 1e6 / 48000.0;

struct Figures {
  double median, p99, worst, worstWall;
};

double cpuUs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

template <typename Prepare>
Figures timeBlocks(Prepare prepare) {
  std::vector<Sint16> block(kValues);
  std::vector<double> us;
  us.reserve(kBlocks);
  double worstWall = 0.0;
  for (int k = 0; k < kBlocks + 100; ++k) {
    std::fill(block.begin(), block.end(), static_cast<Sint16>(k % 2 ? 20000 : -20000));
    prepare();
    const auto w0 = std::chrono::steady_clock::now();
    const double c0 = cpuUs();
    mixCallback(nullptr, reinterpret_cast<Uint8 *>(block.data()), kValues * 2);
    const double c1 = cpuUs();
    const auto w1 = std::chrono::steady_clock::now();
    if (k < 100) continue;  // warm-up
    us.push_back(c1 - c0);
    worstWall = std::max(worstWall, std::chrono::duration<double, std::micro>(w1 - w0).count());
  }
  std::sort(us.begin(), us.end());
  return {us[us.size() / 2], us[us.size() * 99 / 100], us.back(), worstWall};
}

void report(const char *mode, const Figures &f) {
  std::printf("%-42s CPU median %6.1f us  p99 %6.1f us  worst %6.1f us = %5.3f %% of 21.33 ms   (wall worst %.1f us)\n",
              mode, f.median, f.p99, f.worst, 100.0 * f.worst / kDeadlineUs, f.worstWall);
}

// A countdown at 8.6 s with its first beat rate: full level, and the
// envelope's slower branch.
void fullLevelCountdown() {
  _countdown.__t0 = 0.0f;
  _countdown.samp = 1.0f;
  _countdown.vit = 1.0f;
  _countdown.accel = 0.0005f;
  gl4dSetElapsedTime(8600.0);
}

}  // namespace

int main() {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  gl4dSetManualClock(GL_TRUE);
  std::printf("post-mix routine, 4096-byte blocks, %d blocks a mode\n", kBlocks);

  {
    const auto t0 = std::chrono::steady_clock::now();
    double sink = 0.0;
    for (int r = 0; r < 200; ++r)
      for (int i = 0; i < kValues; ++i) sink += noise(0.003 * (r * kValues + i), 0.0015 * i, 0.5);
    const auto t1 = std::chrono::steady_clock::now();
    std::printf("linked noise(): %.1f us per 2048 evaluations (checksum %g)\n",
                std::chrono::duration<double, std::micro>(t1 - t0).count() / 200, sink);
  }

  _step = 0;
  _neige = 1;
  report("mode 0: drone at 10928 + growing snow", timeBlocks([] {
           _drone.cur_vol = 10928;
           _snow.cur_vol = 20000;
           _snow.pc = 100.0f;
         }));
  _step = 1;
  report("mode 1: snow decay from full scale", timeBlocks([] {
           _snow.cur_vol = 32767;
           _snow.pc = 333.0f;
         }));
  _step = 2;
  report("mode 2: countdown at full level", timeBlocks(fullLevelCountdown));

  _step = 3;
  const bool mixerOpen = Mix_OpenAudio(48000, AUDIO_S16LSB, 2, 1024) == 0;
  Mix_Music *music = nullptr;
#ifdef HONEYFOLD_BENCH_MODULE
  const std::string path = "bench_fixture.mod";
  hf::writeFixtureModule(path);
  if (mixerOpen) music = Mix_LoadMUS(path.c_str());
  std::remove(path.c_str());
#endif
  _mmusic = music;
  if (music)
    report("mode 3: countdown + module restart", timeBlocks([] {
             fullLevelCountdown();
             Mix_HaltMusic();
           }));
  else
    report("mode 3: countdown (no module to restart)", timeBlocks(fullLevelCountdown));
  _mmusic = nullptr;
  if (music) {
    Mix_HaltMusic();
    Mix_FreeMusic(music);
  }
  if (mixerOpen) Mix_CloseAudio();
  return 0;
}

