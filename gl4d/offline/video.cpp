// ffmpeg as the capture's encoder: quiet unless it fails.
#include "gl4d/offline/video.h"

#include <cstring>

namespace gl4d {

namespace {

// x264's settings per quality. fast: veryfast still uses the High profile's
// tools (CABAC, 8x8 transforms), unlike ultrafast's Constrained Baseline, at
// a fraction of slow's time. Both stay within level 5.2, which the options
// hold every capture to.
std::vector<std::string> x264Settings(VideoQuality quality) {
  if (quality == VideoQuality::kFinal) return {"-preset", "slow", "-profile:v", "high", "-crf", "18"};
  return {"-preset", "veryfast", "-crf", "20"};
}

// ffmpeg reads "name:" at the start of a path as a protocol
// ("2024-01-01T10:00/show.mp4"): a path is given as a file: URL.
std::string fileUrl(const std::string &path) { return "file:" + path; }

}  // namespace

VideoEncoder::~VideoEncoder() { stop(); }

bool VideoEncoder::start(const std::string &path, int w, int h, int fps, VideoQuality quality, std::string *error) {
  w_ = w;
  h_ = h;
  upright_.resize(static_cast<size_t>(w) * h * 4);
  std::vector<std::string> args = {
      "ffmpeg", "-hide_banner", "-loglevel", "error", "-f", "rawvideo", "-pix_fmt", "rgba",
      "-video_size", std::to_string(w) + "x" + std::to_string(h), "-framerate", std::to_string(fps),
      "-i", "pipe:0", "-an",
      // The frames are sRGB: converted with BT.709's matrix to limited-range
      // YUV, and tagged so, rather than swscale's default BT.601, untagged.
      "-vf", "scale=out_color_matrix=bt709:out_range=tv:flags=accurate_rnd+full_chroma_int,format=yuv420p",
      "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range", "tv",
      "-c:v", "libx264"};
  for (const std::string &a : x264Settings(quality)) args.push_back(a);
  for (const char *a : {"-movflags", "+faststart", "-f", "mp4", "-y"}) args.push_back(a);
  args.push_back(fileUrl(path));
  if (!startChild(args, true, &child_, error)) return false;
  // Three frames: one drawn while one is sent and one waits.
  frames_.start(upright_.size(), 3, [this](const std::uint8_t *rgba) { return send(rgba); });
  return true;
}

bool VideoEncoder::send(const std::uint8_t *rgba) {
  const size_t row = static_cast<size_t>(w_) * 4;
  for (int y = 0; y < h_; ++y) std::memcpy(&upright_[static_cast<size_t>(y) * row], rgba + (h_ - 1 - y) * row, row);
  return feedChild(child_, upright_.data(), upright_.size(), &frames_.cancelled());
}

void VideoEncoder::endInput() {
  frames_.finish();
  closeChildInput(child_);
}

bool VideoEncoder::finish(std::string *error) {
  if (child_.pid < 0) return true;
  const int status = waitChild(child_);
  if (status == 0) return true;
  *error = status < 0 ? "ffmpeg was killed while encoding the video"
                      : "ffmpeg failed to encode the video (status " + std::to_string(status) + ")";
  return false;
}

void VideoEncoder::stop() {
  frames_.cancel();
  killChild(child_);
}

bool muxSound(const std::string &videoPath, const std::string &wavPath, const std::string &out, std::string *error) {
  const std::vector<std::string> args = {
      "ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-i", fileUrl(videoPath), "-i", fileUrl(wavPath),
      "-map", "0:v", "-map", "1:a", "-c:v", "copy", "-c:a", "aac", "-b:a", "192k",
      "-movflags", "+faststart", "-f", "mp4", "-y", fileUrl(out)};
  Child child;
  if (!startChild(args, false, &child, error)) return false;
  const int status = waitChild(child);
  if (status == 0) return true;
  *error = "ffmpeg failed to add the sound to the video (status " + std::to_string(status) + ")";
  return false;
}

}  // namespace gl4d
