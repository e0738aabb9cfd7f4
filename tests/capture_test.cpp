// The window library's own options, as a person types them: what each line
// asks for, and a one-line reason for whatever cannot be done.
#include <gtest/gtest.h>

#include "gl4d/offline/options.h"

namespace {

TEST(Options, AreReadOrRefusedWithTheirReason) {
  struct Case {
    std::vector<const char *> args;
    const char *error;  // "" when accepted
    int fps = 0, width = 0, height = 0;
    std::vector<double> stillsMs = {};
    const char *paths = nullptr;  // capture|stills dir|benchmark file, when checked
  };
  const Case cases[] = {
      {{"--gl4d-stills=12,0.5,12", "--gl4d-fps", "30", "--gl4d-size=64x36", "other"}, "", 30, 64, 36, {500, 12000}},
      {{"--gl4d-capture=a.mp4", "--gl4d-stop=30"}, "", 60, 0, 0, {}, "a.mp4|.|"},
      {{"--gl4d-caller-dir=/u", "--gl4d-capture=a.mp4", "--gl4d-stills=1", "--gl4d-stills-dir=s"}, "", 60, 0, 0,
       {1000}, "/u/a.mp4|/u/s|"},
      {{"--gl4d-stills=1", "--gl4d-stills-dir=/s", "--gl4d-caller-dir", "/u"}, "", 60, 0, 0, {1000}, "|/s|"},
      {{"--gl4d-benchmark=b.json", "--gl4d-caller-dir=/u"}, "", 60, 0, 0, {}, "|/u|/u/b.json"},
      {{"--gl4d-caller-dir=u"}, "--gl4d-caller-dir takes an absolute directory"},
      {{"--gl4d-size=64x36"}, "--gl4d-size needs --gl4d-capture, --gl4d-stills or --gl4d-benchmark"},
      {{"--gl4d-benchmark", "--gl4d-stats"}, "--gl4d-stats is for a live run"},
      {{"--gl4d-benchmark=b.json", "--gl4d-fps=15", "--gl4d-size=160x90", "q"}, "", 15, 160, 90, {}},
      {{"--gl4d-capture=a.mp4", "--gl4d-size=65x36"}, "a video's frame size must be even in both directions"},
      {{"--gl4d-stills=1", "--gl4d-fps=0"}, "--gl4d-fps takes a whole number of frames per second from 1 to 1000"},
      {{"--gl4d-stills=1,-2"}, "--gl4d-stills takes show times in seconds separated by commas"},
      {{"--gl4d-stills=5", "--gl4d-stop=4"}, "a still is asked for at or after the stop time"},
      {{"--gl4d-stills=1", "--gl4d-size=0x5"}, "--gl4d-size takes WIDTHxHEIGHT in pixels (1 to 8192 each)"},
      {{"--gl4d-fsp=30"}, "unknown option --gl4d-fsp"},
      {{"--gl4d-capture"}, "--gl4d-capture needs a value"},
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
  }
  EXPECT_EQ(gl4d::stillFileName(12500), "still-012.500.png");
}

}  // namespace
