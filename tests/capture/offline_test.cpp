// Whole offline runs of the layer in a process of their own (gtest death
// tests): a small table on the scene manager and a sound thread of SDL's
// that calls gl4dhUpdateWithAudio, as the demo's post-mix routine does. The
// child checks what it saw from inside; the parent looks at what it wrote.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gl4d/gl4d.h"
#include "media.h"
#include "support/run_dir.h"

namespace {

constexpr int kW = 64, kH = 36, kFps = 25;
constexpr double kFrameMs = 1000.0 / kFps, kBlockMs = 1024 * 1000.0 / 48000;

std::vector<double> drawTimes;
std::vector<double> blockTimes(4096);  // the clock each sound block was mixed at; 0 the start-up block
std::atomic<int> blocks{0};

// Black until 500 ms, white from then; the top quarter red, to tell up from down.
void flash(int state) {
  if (state != 2) return;
  const double t = gl4dGetElapsedTime();
  drawTimes.push_back(t);
  const float v = t >= 500.0 ? 1.0f : 0.0f;
  glClearColor(v, v, v, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, kH * 3 / 4, kW, kH / 4);
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
}

GL4DHanime table[] = {{1000, flash, nullptr, nullptr}, {0, nullptr, nullptr, nullptr}};

// Silence until the clock reads 500 ms, then a 1 kHz tone at half scale.
void SDLCALL mixBlock(void *, Uint8 *stream, int len) {
  const double t = gl4dGetElapsedTime();
  const int k = blocks.load();
  if (k < static_cast<int>(blockTimes.size())) blockTimes[static_cast<size_t>(k)] = t;
  auto *v = reinterpret_cast<Sint16 *>(stream);
  for (int i = 0; i < len / 4; ++i) {
    const double phase = 2 * M_PI * 1000.0 * (k * 1024 + i) / 48000.0;
    v[2 * i] = v[2 * i + 1] = t >= 500.0 ? static_cast<Sint16>(16384 * std::sin(phase)) : 0;
  }
  blocks.store(k + 1);
  gl4dhUpdateWithAudio();
}

[[noreturn]] void childFails(const std::string &why) {
  std::fprintf(stderr, "child: %s\n", why.c_str());
  std::exit(3);
}

// The child: window, manager, sound, loop; then its own checks.
void runShow(std::vector<std::string> args) {
  args.insert(args.begin(), "offline_test");
  std::vector<char *> argv;
  for (std::string &a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  if (!gl4duwCreateWindow(static_cast<int>(args.size()), argv.data(), "offline", 0, 0, 1920, 1080,
                          SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_SHOWN))
    std::exit(4);
  gl4dhInit(table, 1920, 1080, nullptr);
  gl4duwDisplayFunc(gl4dhDraw);
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) childFails(SDL_GetError());
  SDL_AudioSpec want{}, have{};
  want.freq = 48000;
  want.format = AUDIO_S16LSB;
  want.channels = 2;
  want.samples = 1024;
  want.callback = mixBlock;
  const SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (!dev) childFails(SDL_GetError());
  SDL_PauseAudioDevice(dev, 0);
  gl4duwMainLoop();

  if (drawTimes.size() != 25) childFails("drew " + std::to_string(drawTimes.size()) + " frames, not 25");
  for (size_t n = 0; n < drawTimes.size(); ++n)
    if (drawTimes[n] != n * kFrameMs)
      childFails("frame " + std::to_string(n) + " drawn at " + std::to_string(drawTimes[n]) + " ms");
  const int seen = std::min(blocks.load(), static_cast<int>(blockTimes.size()));
  if (seen < 47) childFails("only " + std::to_string(seen) + " sound blocks");
  for (int k = 0; k + 1 < 47; ++k) {  // the show's first second
    const double t = blockTimes[static_cast<size_t>(k) + 1], start = k * kBlockMs;
    if (t < start || t > start + kFrameMs)
      childFails("sound block " + std::to_string(k) + " (" + std::to_string(start) + " ms) mixed at " +
                 std::to_string(t) + " ms");
  }
  // Closing the sound is the program's, as the demo's exit handler does.
  SDL_CloseAudioDevice(dev);
  std::exit(0);
}

class OfflineRun : public ::testing::Test {
 protected:
  // Forked children (gtest's "fast" style) share the fixture's directory.
  void TearDown() override { hf::removeTree(dir); }
  const std::string dir = hf::makeTempDir("capture-offline");
};

TEST_F(OfflineRun, ACaptureHasEveryFrameAndTheSoundInStepWithThem) {
  const std::string mp4 = dir + "/out.mp4";
  EXPECT_EXIT(runShow({"--gl4d-capture=" + mp4, "--gl4d-size=64x36", "--gl4d-fps=25", "--gl4d-stills=0.2,0.52",
                       "--gl4d-stills-dir=" + dir + "/stills"}),
              ::testing::ExitedWithCode(0), "out.mp4: 25 frames at 25 fps \\(1.000 s\\), sound 1.000 s");

  const auto streams = hf::probeStreams(mp4);
  ASSERT_EQ(streams.size(), 2u);
  EXPECT_EQ(streams[0].codec, "h264");
  EXPECT_EQ(streams[0].frames, 25);
  EXPECT_EQ(streams[0].width, kW) << "the frame size given replaces the scene manager's";
  EXPECT_EQ(streams[0].height, kH);
  EXPECT_EQ(streams[1].codec, "aac");
  EXPECT_NEAR(streams[1].seconds, 1.0, 0.025);

  // The picture turns white at frame 13 (520 ms), upright.
  const auto before = hf::decodeFrame(mp4, 0.48, kW, kH), after = hf::decodeFrame(mp4, 0.52, kW, kH);
  EXPECT_LT(hf::meanColour(before, kW, 8, 20, 56, 34).g, 30);
  EXPECT_GT(hf::meanColour(after, kW, 8, 20, 56, 34).g, 225);
  const hf::MeanRgb top = hf::meanColour(after, kW, 8, 1, 56, 7);
  EXPECT_GT(top.r, 200);
  EXPECT_LT(top.g, 60);
  // The tone comes with it: its first block is the first mixed at 500 ms or after.
  const auto sound = hf::decodeSound(mp4);
  EXPECT_LT(hf::rms(sound, 0.0, 0.48), 0.01);
  EXPECT_GT(hf::rms(sound, 0.56, 0.95), 0.3);

  for (const char *name : {"still-000.200.png", "still-000.520.png"}) {
    const auto s = hf::decodeFrame(dir + "/stills/" + name, 0.0, kW, kH);
    ASSERT_EQ(s.size(), static_cast<size_t>(kW * kH * 3)) << name;
    EXPECT_GT(hf::meanColour(s, kW, 8, 1, 56, 7).r, 250) << name;
  }
  EXPECT_LT(hf::meanColour(hf::decodeFrame(dir + "/stills/still-000.200.png", 0, kW, kH), kW, 8, 20, 56, 34).g, 1);
  EXPECT_GT(hf::meanColour(hf::decodeFrame(dir + "/stills/still-000.520.png", 0, kW, kH), kW, 8, 20, 56, 34).g, 254);
  int status = 0;
  hf::commandOutput("ls -A '" + dir + "' | grep -q gl4d-capture", &status);
  EXPECT_NE(status, 0) << "the capture's working files are left behind";
}

TEST_F(OfflineRun, StillsAloneMatchTheCapturesFramesByteForByte) {
  EXPECT_EXIT(runShow({"--gl4d-capture=" + dir + "/a.mp4", "--gl4d-size=64x36", "--gl4d-fps=25",
                       "--gl4d-stills=0.2,0.52", "--gl4d-stills-dir=" + dir + "/a"}),
              ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(runShow({"--gl4d-size=64x36", "--gl4d-fps=25", "--gl4d-stills=0.2,0.52,0.96",
                       "--gl4d-stills-dir=" + dir + "/b", "--gl4d-stop=1"}),
              ::testing::ExitedWithCode(0), "");
  for (const char *name : {"still-000.200.png", "still-000.520.png"}) {
    int status = 0;
    hf::commandOutput("cmp '" + dir + "/a/" + name + "' '" + dir + "/b/" + name + "'", &status);
    EXPECT_EQ(status, 0) << name;
  }
  EXPECT_FALSE(hf::probeStreams(dir + "/b/still-000.960.png").empty());
}

TEST_F(OfflineRun, BadOptionsMakeNoWindow) {
  EXPECT_EXIT(runShow({"--gl4d-capture=" + dir + "/x.mp4", "--gl4d-size=63x36"}), ::testing::ExitedWithCode(4),
              "gl4d: a video's frame size must be even in both directions \\(--gl4d-size\\) \\(--gl4d-help lists");
  EXPECT_EXIT(runShow({"--gl4d-stills=1", "--gl4d-stills-dir=/proc/no/such"}), ::testing::ExitedWithCode(4),
              "gl4d: cannot make the directory /proc/no/such");
  EXPECT_EXIT(runShow({"--gl4d-capture=/proc/no/such/x.mp4"}), ::testing::ExitedWithCode(4),
              "gl4d: cannot write beside /proc/no/such/x.mp4");
}

TEST_F(OfflineRun, HelpEndsWell) { EXPECT_EXIT(runShow({"--gl4d-help"}), ::testing::ExitedWithCode(0), ""); }

// A live run (shown, real clock) with a stop time: the loop returns once
// the show has played that long.
void runLive() {
  char name[] = "live", stop[] = "--gl4d-stop=0.2";
  char *argv[] = {name, stop, nullptr};
  if (!gl4duwCreateWindow(2, argv, "live", 0, 0, kW, kH, SDL_WINDOW_HIDDEN)) std::exit(4);
  gl4dhInit(table, kW, kH, nullptr);
  gl4duwDisplayFunc(gl4dhDraw);
  gl4duwMainLoop();
  const double played = gl4dGetElapsedTime() - drawTimes.front();
  // The show starts just before the first draw reads the clock.
  if (played < 199.0) childFails("the loop returned after " + std::to_string(played) + " ms of show");
  std::exit(0);
}

TEST_F(OfflineRun, ALiveRunEndsAtItsStopTime) { EXPECT_EXIT(runLive(), ::testing::ExitedWithCode(0), ""); }

}  // namespace
