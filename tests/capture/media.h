// Looking into the files a capture makes, through ffprobe and ffmpeg.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hf {

// The standard output of a shell command; *status gets its exit status.
std::string commandOutput(const std::string &command, int *status = nullptr);

struct Stream {
  std::string codec;  // "h264", "aac"
  double seconds = 0.0;
  long frames = 0;
  int width = 0, height = 0;
};
// The streams of a media file, in order.
std::vector<Stream> probeStreams(const std::string &file);

// The first video frame at or after `seconds`, scaled to w x h, as RGB rows
// top-down.
std::vector<std::uint8_t> decodeFrame(const std::string &file, double seconds, int w, int h);
// The whole sound track as 48000 Hz interleaved stereo values.
std::vector<std::int16_t> decodeSound(const std::string &file);

// Mean colour of a w x h RGB picture over the rectangle (x0, y0, x1, y1),
// top-down rows, ends excluded.
struct MeanRgb {
  double r, g, b;
};
MeanRgb meanColour(const std::vector<std::uint8_t> &rgb, int w, int x0, int y0, int x1, int y1);

// Root mean square of the stereo values from `from` to `to` seconds, 0 to 1.
double rms(const std::vector<std::int16_t> &sound, double from, double to);

}  // namespace hf
