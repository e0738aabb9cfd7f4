#include "media.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace hf {

std::string commandOutput(const std::string &command, int *status) {
  std::string out;
  std::FILE *p = popen(command.c_str(), "r");
  if (!p) return out;
  char buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  const int rc = pclose(p);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

std::vector<Stream> probeStreams(const std::string &file) {
  const std::string out = commandOutput(
      "ffprobe -v error -count_frames -show_entries stream=codec_name,duration,nb_read_frames,width,height "
      "-of csv=p=0 '" + file + "'");
  // codec,width,height,duration,frames for video; codec,duration,frames for sound.
  std::vector<Stream> streams;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string x; std::getline(fields, x, ',');) f.push_back(x);
    Stream s;
    if (f.size() == 5) {
      s = {f[0], std::atof(f[3].c_str()), std::atol(f[4].c_str()), std::atoi(f[1].c_str()), std::atoi(f[2].c_str())};
    } else if (f.size() == 3) {
      s = {f[0], std::atof(f[1].c_str()), std::atol(f[2].c_str()), 0, 0};
    } else {
      continue;
    }
    streams.push_back(s);
  }
  return streams;
}

std::vector<std::uint8_t> decodeFrame(const std::string &file, double seconds, int w, int h) {
  char command[512];
  std::snprintf(command, sizeof command,
                "ffmpeg -v error -nostdin -ss %.6f -i '%s' -frames:v 1 -vf scale=%d:%d -f rawvideo -pix_fmt rgb24 -",
                seconds, file.c_str(), w, h);
  const std::string out = commandOutput(command);
  return std::vector<std::uint8_t>(out.begin(), out.end());
}

std::vector<std::int16_t> decodeSound(const std::string &file) {
  const std::string out =
      commandOutput("ffmpeg -v error -nostdin -i '" + file + "' -vn -f s16le -ac 2 -ar 48000 -acodec pcm_s16le -");
  std::vector<std::int16_t> values(out.size() / 2);
  for (size_t i = 0; i < values.size(); ++i)
    values[i] = static_cast<std::int16_t>(static_cast<unsigned char>(out[2 * i]) |
                                          static_cast<unsigned char>(out[2 * i + 1]) << 8);
  return values;
}

MeanRgb meanColour(const std::vector<std::uint8_t> &rgb, int w, int x0, int y0, int x1, int y1) {
  double r = 0, g = 0, b = 0;
  long n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const size_t i = (static_cast<size_t>(y) * w + x) * 3;
      if (i + 2 >= rgb.size()) continue;
      r += rgb[i];
      g += rgb[i + 1];
      b += rgb[i + 2];
      ++n;
    }
  if (!n) return {-1, -1, -1};
  return {r / n, g / n, b / n};
}

double rms(const std::vector<std::int16_t> &sound, double from, double to) {
  const size_t a = static_cast<size_t>(std::max(0.0, from) * 48000) * 2;
  const size_t b = std::min(sound.size(), static_cast<size_t>(to * 48000) * 2);
  if (b <= a) return 0.0;
  double sum = 0;
  for (size_t i = a; i < b; ++i) sum += static_cast<double>(sound[i]) * sound[i];
  return std::sqrt(sum / static_cast<double>(b - a)) / 32768.0;
}

}  // namespace hf
