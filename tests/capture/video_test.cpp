// ffmpeg as the capture's encoder, for real: frames go in bottom-up and come
// out upright and in number, the sound is muxed in, and failures are told.
#include <gtest/gtest.h>

#include <csignal>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "gl4d/sound_file.h"
#include "gl4d/video.h"
#include "media.h"
#include "support/run_dir.h"

namespace {

constexpr int kW = 64, kH = 48;

// Bottom-up rows, as glReadPixels gives them: the bottom half blue, the top
// half red, and a white left column in frames from `whiteFrom` on.
std::vector<std::uint8_t> frame(int n, int whiteFrom) {
  std::vector<std::uint8_t> px(static_cast<size_t>(kW) * kH * 4);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      std::uint8_t *p = &px[(static_cast<size_t>(y) * kW + x) * 4];
      const bool white = n >= whiteFrom && x < kW / 4;
      p[0] = white || y >= kH / 2 ? 255 : 0;
      p[1] = white ? 255 : 0;
      p[2] = white || y < kH / 2 ? 255 : 0;
      p[3] = 0;  // what a scene leaves in alpha does not matter
    }
  return px;
}

// Half a second of a 440 Hz tone at half scale.
void writeToneWav(const std::string &path) {
  const std::string raw = path + ".raw";
  std::FILE *f = std::fopen(raw.c_str(), "wb");
  for (int i = 0; i < 24576; ++i) {  // 24 blocks
    const auto v = static_cast<std::int16_t>(16384 * std::sin(2 * M_PI * 440 * i / 48000.0));
    std::int16_t lr[2] = {v, v};
    std::fwrite(lr, 2, 2, f);
  }
  std::fclose(f);
  std::uint64_t kept = 0;
  std::string error;
  ASSERT_TRUE(gl4d::cutShowSound(raw, path, 24, 0, 24000, &kept, &error)) << error;
}

class VideoTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { std::signal(SIGPIPE, SIG_IGN); }
  void TearDown() override { hf::removeTree(dir); }
  const std::string dir = hf::makeTempDir("capture-video");
  std::string error;
};

TEST_F(VideoTest, FramesComeOutUprightInNumberAndInOrder) {
  const std::string mp4 = dir + "/v.mp4";
  gl4d::VideoEncoder video;
  ASSERT_TRUE(video.start(mp4, kW, kH, 30, &error)) << error;
  for (int n = 0; n < 15; ++n) ASSERT_TRUE(video.write(frame(n, 9).data()));
  video.endInput();
  ASSERT_TRUE(video.finish(&error)) << error;

  const auto streams = hf::probeStreams(mp4);
  ASSERT_EQ(streams.size(), 1u);
  EXPECT_EQ(streams[0].codec, "h264");
  EXPECT_EQ(streams[0].frames, 15);
  EXPECT_EQ(streams[0].width, kW);
  EXPECT_EQ(streams[0].height, kH);
  EXPECT_NEAR(streams[0].seconds, 0.5, 1e-3);

  const auto first = hf::decodeFrame(mp4, 0.0, kW, kH);
  const hf::MeanRgb top = hf::meanColour(first, kW, 24, 4, 60, 20), bottom = hf::meanColour(first, kW, 24, 28, 60, 44);
  EXPECT_GT(top.r, 200);
  EXPECT_LT(top.b, 40);
  EXPECT_GT(bottom.b, 200);
  EXPECT_LT(bottom.r, 40);
  // Frame 9 at 0.3 s is the first with the white column.
  EXPECT_LT(hf::meanColour(hf::decodeFrame(mp4, 8.0 / 30, kW, kH), kW, 2, 4, 12, 44).g, 40);
  EXPECT_GT(hf::meanColour(hf::decodeFrame(mp4, 9.0 / 30, kW, kH), kW, 2, 4, 12, 44).g, 200);
}

TEST_F(VideoTest, TheSoundIsMuxedInAsAac) {
  const std::string mp4 = dir + "/v.mp4", wav = dir + "/s.wav", out = dir + "/out.mp4";
  gl4d::VideoEncoder video;
  ASSERT_TRUE(video.start(mp4, kW, kH, 30, &error)) << error;
  for (int n = 0; n < 15; ++n) ASSERT_TRUE(video.write(frame(n, 99).data()));
  video.endInput();
  ASSERT_TRUE(video.finish(&error)) << error;
  writeToneWav(wav);
  ASSERT_TRUE(gl4d::muxSound(mp4, wav, out, &error)) << error;

  const auto streams = hf::probeStreams(out);
  ASSERT_EQ(streams.size(), 2u);
  EXPECT_EQ(streams[0].codec, "h264");
  EXPECT_EQ(streams[0].frames, 15);
  EXPECT_EQ(streams[1].codec, "aac");
  EXPECT_NEAR(streams[1].seconds, 0.5, 0.025);
  const auto sound = hf::decodeSound(out);
  EXPECT_NEAR(hf::rms(sound, 0.1, 0.4), 0.5 / std::sqrt(2.0), 0.03);
}

TEST_F(VideoTest, AnEncoderThatCannotWriteIsAFailure) {
  gl4d::VideoEncoder video;
  ASSERT_TRUE(video.start(dir + "/missing/v.mp4", kW, kH, 30, &error)) << error;
  const auto px = frame(0, 99);
  for (int n = 0; n < 200 && video.write(px.data()); ++n) {
  }
  video.endInput();
  EXPECT_FALSE(video.finish(&error));
  EXPECT_NE(error.find("ffmpeg failed to encode the video"), std::string::npos) << error;
}

TEST_F(VideoTest, MuxingMissingFilesIsAFailure) {
  EXPECT_FALSE(gl4d::muxSound(dir + "/none.mp4", dir + "/none.wav", dir + "/out.mp4", &error));
  EXPECT_NE(error.find("ffmpeg failed to add the sound"), std::string::npos) << error;
}

TEST(Process, AProgramThatIsNotThereCannotBeStarted) {
  gl4d::Child child;
  std::string error;
  EXPECT_FALSE(gl4d::startChild({"no-such-program-here"}, true, &child, &error));
  EXPECT_NE(error.find("cannot run no-such-program-here"), std::string::npos) << error;
  EXPECT_TRUE(gl4d::onPath("sh"));
  EXPECT_FALSE(gl4d::onPath("no-such-program-here"));
}

TEST(Process, TheChildSeesTheEndOfItsInputAndItsStatusComesBack) {
  gl4d::Child child;
  std::string error;
  // Exits 3 only after reading exactly the five bytes sent.
  ASSERT_TRUE(gl4d::startChild({"sh", "-c", "test \"$(cat)\" = hello && exit 3"}, true, &child, &error)) << error;
  ASSERT_TRUE(gl4d::feedChild(child, "hello", 5));
  EXPECT_EQ(gl4d::waitChild(child), 3);
}

}  // namespace
