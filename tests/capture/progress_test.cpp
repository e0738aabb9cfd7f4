// The progress line: its bar, counts, rate and time left.
#include <gtest/gtest.h>

#include <string>

#include "gl4d/progress.h"

namespace {

TEST(ProgressLine, HalfwayAtFortyFramesASecond) {
  // 450 of 900 frames in 11.25 s: 40 fps, 450 frames left = 11.25 s.
  const std::string line = gl4d::progressLine(450, 900, 15000.0, 30000.0, 11.25, 20);
  EXPECT_EQ(line, "[##########----------]  450/900 frames  15.00/30.00 s  40.0 fps  0:11 left");
}

TEST(ProgressLine, TimeLeftInMinutesAndSeconds) {
  const std::string line = gl4d::progressLine(1000, 4454, 33333.3, 148466.7, 40.0, 10);
  // 3454 frames at 25 fps: 138 s.
  EXPECT_NE(line.find("25.0 fps  2:18 left"), std::string::npos) << line;
  EXPECT_EQ(line.substr(0, 12), "[##--------]");
}

TEST(ProgressLine, NoRateYetAndDone) {
  EXPECT_NE(gl4d::progressLine(0, 900, 0.0, 30000.0, 0.0).find("0.0 fps  -:-- left"), std::string::npos);
  const std::string done = gl4d::progressLine(900, 900, 30000.0, 30000.0, 60.0, 8);
  EXPECT_EQ(done.substr(0, 10), "[########]");
  EXPECT_NE(done.find("15.0 fps  0:00 left"), std::string::npos) << done;
}

TEST(ProgressLine, MoreFramesThanPlannedKeepsTheBarWhole) {
  const std::string line = gl4d::progressLine(950, 900, 31000.0, 30000.0, 10.0, 8);
  EXPECT_EQ(line.substr(0, 10), "[########]");
  EXPECT_NE(line.find("0:00 left"), std::string::npos) << line;
}

TEST(ProgressBar, ALogGetsALineEveryTenthAndTheLast) {
  char *text = nullptr;
  size_t size = 0;
  std::FILE *log = open_memstream(&text, &size);
  ASSERT_NE(log, nullptr);
  {
    gl4d::ProgressBar bar(100, 1000.0, log);
    for (int done = 1; done <= 100; ++done) bar.update(static_cast<std::uint64_t>(done), done * 10.0);
    bar.finish(100, 1000.0);
  }
  std::fclose(log);
  const std::string out(text, size);
  std::free(text);
  int lines = 0;
  for (char c : out) lines += c == '\n';
  EXPECT_EQ(lines, 10) << out;  // 10 %, 20 % ... 90 %, then the last
  EXPECT_EQ(out.find('\r'), std::string::npos);
  EXPECT_NE(out.find("100/100 frames  1.00/1.00 s"), std::string::npos) << out;
}

}  // namespace
