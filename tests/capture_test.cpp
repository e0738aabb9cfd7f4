// The window library's own options, as a person types them: what each line asks for, and a one-line reason for whatever
// cannot be done; its progress line and benchmark figures. All under a decimal-comma locale: the layer's numbers are
// the C locale's whatever the program sets.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <regex>

#include <atomic>
#include <thread>

#include "gl4d/offline/benchmark_json.h"
#include "gl4d/offline/frame_queue.h"
#include "gl4d/offline/options.h"
#include "gl4d/offline/progress.h"

namespace {

// de_DE.UTF-8 for the test's lifetime (made under the build tree where the system has none), the C locale back after.
class CommaLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool made = std::setlocale(LC_ALL, "de_DE.UTF-8") || [] {
      const std::string dir = HONEYFOLD_BINARY_DIR "/locales";
      const int made = std::system(("mkdir -p " + dir + " && localedef -i de_DE -f UTF-8 " + dir + "/de_DE.UTF-8 2>&1").c_str());
      setenv("LOCPATH", dir.c_str(), 1);
      return made == 0;
    }();
    if (!made || !std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "SKIP: no de_DE.UTF-8 locale (localedef failed)";
    char text[8];
    std::snprintf(text, sizeof text, "%.1f", 0.5);
    ASSERT_STREQ(text, "0,5") << "the locale has no decimal comma";
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

using Options = CommaLocale;
TEST_F(Options, AreReadOrRefusedWithTheirReason) {
  struct Case {
    std::vector<const char *> args;
    const char *error;  // "" when accepted
    int fps = 0, width = 0, height = 0;
    std::vector<double> stillsMs = {};
    const char *paths = nullptr;  // capture|stills dir|benchmark file, when checked
    unsigned seed = 0;            // --gl4d-seed's, when given
    double delayMs = 0;           // --gl4d-audio-delay's, when given
  };
  const Case cases[] = {
      {{"--gl4d-stills=12,0.5,12", "--gl4d-fps", "30", "--gl4d-size=64x36", "other"}, "", 30, 64, 36, {500, 12000}},
      {{"--gl4d-capture=a.mp4", "--gl4d-stop=30"}, "", 60, 0, 0, {}, "a.mp4|.|"},
      {{"--gl4d-caller-dir=/u", "--gl4d-capture=a.mp4", "--gl4d-stills=1", "--gl4d-stills-dir=s"}, "", 60, 0, 0,
       {1000}, "/u/a.mp4|/u/s|"},
      {{"--gl4d-stills=1", "--gl4d-stills-dir=/s", "--gl4d-caller-dir", "/u"}, "", 60, 0, 0, {1000}, "|/s|"},
      {{"--gl4d-benchmark=b.json", "--gl4d-caller-dir=/u"}, "", 60, 0, 0, {}, "|/u|/u/b.json"},
      {{"--gl4d-caller-dir=u"}, "--gl4d-caller-dir takes an absolute directory"},
      {{"--gl4d-size=640x360", "--gl4d-max-fps=30"}, "", 60, 640, 360, {}},  // live: rendered small, paced
      {{"--gl4d-stills=1", "--gl4d-max-fps=30"}, "--gl4d-max-fps is for a live run"},
      {{"--gl4d-benchmark", "--gl4d-stats"}, "--gl4d-stats is for a live run"},
      {{"--gl4d-benchmark=b.json", "--gl4d-fps=15", "--gl4d-size=160x90", "q"}, "", 15, 160, 90, {}},
      {{"--gl4d-capture=a.mp4", "--gl4d-size=65x36"}, "a video's frame size must be even in both directions"},
      {{"--gl4d-stills=1", "--gl4d-fps=0"}, "--gl4d-fps takes a whole number of frames per second from 1 to 1000"},
      {{"--gl4d-stills=1,-2"}, "--gl4d-stills takes show times in seconds separated by commas"},
      {{"--gl4d-stills=5", "--gl4d-stop=4"}, "a still is asked for at or after the stop time"},
      {{"--gl4d-stills=1", "--gl4d-size=0x5"}, "--gl4d-size takes WIDTHxHEIGHT in pixels (1 to 8192 each)"},
      {{"--gl4d-fsp=30"}, "unknown option --gl4d-fsp"},
      {{"--gl4d-capture"}, "--gl4d-capture needs a value"},
      {{"--gl4d-capture", "--gl4d-fps=30"}, "--gl4d-capture takes a value, not \"--gl4d-fps=30\""},
      {{"--gl4d-capture=a.mp4", "--gl4d-size=8192x8192"}, "a video of 8192x8192 is beyond H.264 level 5.2"},
      {{"--gl4d-capture=a.mp4", "--gl4d-size=4096x2304", "--gl4d-fps=30", "--gl4d-quality=final", "--gl4d-silent"},
       "", 30, 4096, 2304, {}},
      {{"--gl4d-capture=a.mp4", "--gl4d-size=4096x2304"}, "a video of 4096x2304 at 60 fps is beyond H.264 level 5.2"},
      {{"--gl4d-capture=a.mp4", "--gl4d-size=8690x2"}, "--gl4d-size takes WIDTHxHEIGHT"},
      {{"--gl4d-capture=a.mp4", "--gl4d-quality=best"}, "--gl4d-quality takes fast (previews) or final"},
      {{"--gl4d-stills=1", "--gl4d-quality=final"}, "--gl4d-quality needs --gl4d-capture"},
      {{"--gl4d-stills=1", "--gl4d-silent"}, "--gl4d-silent needs --gl4d-capture"},
      {{"--gl4d-seed", "4294967295"}, "", 60, 0, 0, {}, nullptr, 4294967295u},
      {{"--gl4d-seed=4294967296"}, "--gl4d-seed takes a whole number from 0 to 4294967295"},
      {{"--gl4d-audio-delay=182.5"}, "", 60, 0, 0, {}, nullptr, 0, 182.5},  // a decimal point, whatever the locale
      {{"--gl4d-audio-delay=10000.5"}, "--gl4d-audio-delay takes milliseconds from 0 to 10000, not \"10000.5\""},
      {{"--gl4d-stills=1", "--gl4d-audio-delay=5"}, "--gl4d-audio-delay is for a live run"},
  };
  for (const Case &c : cases) {
    std::vector<char *> argv = {const_cast<char *>("honeyfold")};
    for (const char *a : c.args) argv.push_back(const_cast<char *>(a));
    gl4d::LayerOptions o;
    std::string error;
    const bool accepted = gl4d::parseLayerOptions(static_cast<int>(argv.size()), argv.data(), &o, &error);
    EXPECT_EQ(accepted, !*c.error) << c.args[0] << ": " << error;
    if (!accepted) {
      EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
      continue;
    }
    EXPECT_EQ(o.fps, c.fps);
    EXPECT_EQ(o.width * 10000 + o.height, c.width * 10000 + c.height);
    EXPECT_EQ(o.stillsMs, c.stillsMs) << "ascending, without repeats";
    if (c.paths) {
      EXPECT_EQ(o.capturePath + "|" + o.stillsDir + "|" + o.benchmarkPath, c.paths);
    }
    EXPECT_EQ(o.seedGiven ? o.seed : 0u, c.seed) << c.args[0];
    EXPECT_EQ(o.audioDelayGiven ? o.audioDelayMs : 0, c.delayMs) << c.args[0];
  }
  EXPECT_EQ(gl4d::stillFileName(12500), "still-012.500.png");
}

// The progress line on a terminal of 80 columns or fewer, with the longest
// figures a run gives: one line, the figures kept before the bar.
TEST_F(Options, TheProgressLineFitsItsTerminal) {
  for (int columns : {80, 60, 40}) {
    const std::string line = gl4d::progressLine(123456, 999999, 1234567.0, 9999999.0, 12.5, columns);
    EXPECT_LE(line.size(), static_cast<size_t>(columns - 1)) << line;
    EXPECT_NE(line.find("123456/999999 frames  1234.57/"), std::string::npos) << line;
    EXPECT_EQ(line[0] == '[', columns == 80) << line;
  }
}

// A row without a frame has no times (null, not 0 ms); no GPU times without
// timer queries; what made the figures is in them.
TEST_F(Options, TheBenchmarkJsonSaysWhatItKnows) {
  gl4d::BenchmarkFigures f;
  f.renderer = "llvmpipe \"x\"", f.buildType = "Release", f.debugContext = true;
  f.width = 64, f.height = 36, f.fps = 5, f.peakResidentMb = 12.25;
  int scene = 0;
  f.stats.rows = {{0, 1000, &scene, nullptr, "noir", ""}, {1000, 2000, &scene, nullptr, "noir", ""}};
  f.stats.frames = {{0, 0, 2.5, -1, 0}, {200, 0, 1.5, -1, 0}};
  const std::string json = gl4d::benchmarkJson(f);
  for (const char *want : {R"("renderer": "llvmpipe \"x\"")", R"("build_type": "Release")", R"("debug_context": true)",
                           R"("gpu_time": null)", R"("peak_resident_mb": 12.2)", R"("frames": 2, "median_ms": 1.5000)",
                           R"("frames": 0, "median_ms": null, "p99_ms": null, "worst_ms": null)",
                           "[200.000, 1.5000, null, 0]"})
    EXPECT_NE(json.find(want), std::string::npos) << want << " not in\n" << json;
  EXPECT_FALSE(std::regex_search(json, std::regex("[0-9],[0-9]"))) << json;
}

// The capture's frames reach the encoder in the order drawn, through a ring filled while the sending thread is held up,
// every one before the end; a frame that cannot be sent stops the frames after it.
TEST(FrameQueue, SendsEveryFrameInOrderAndStopsAtAFailure) {
  std::vector<int> sent;
  std::atomic<int> queued{0};
  gl4d::FrameQueue frames;
  frames.start(1, 3, [&](const std::uint8_t *f) {
    while (queued < 3) std::this_thread::yield();  // held until the ring is full
    sent.push_back(*f);
    return true;
  });
  for (int i = 1; i <= 5; ++i) {
    std::uint8_t *f = frames.next();
    ASSERT_NE(f, nullptr);
    *f = static_cast<std::uint8_t>(i);
    frames.queue(), ++queued;
  }
  frames.finish();
  EXPECT_EQ(sent, (std::vector<int>{1, 2, 3, 4, 5}));

  gl4d::FrameQueue failing;
  failing.start(1, 3, [](const std::uint8_t *) { return false; });
  std::uint8_t *f = failing.next();
  for (int i = 0; i < 4 && f; ++i) failing.queue(), f = failing.next();
  EXPECT_EQ(f, nullptr);
}

}  // namespace
