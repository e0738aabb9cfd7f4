// The layer's own command-line options, in the way classic GL window toolkits
// take -display or -geometry: recognised by their prefix, the rest untouched.
#include "gl4d/offline/options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gl4d/offline/c_locale.h"

namespace gl4d {

namespace {

constexpr const char *kPrefix = "--gl4d-";
constexpr double kLongestShowMs = 24.0 * 3600.0 * 1000.0;  // a day: anything longer is a typo
constexpr int kLargestSide = 8192;

bool fail(std::string *error, const std::string &why) {
  *error = why;
  return false;
}

// Seconds (a plain decimal number, 0 or more) to milliseconds.
bool parseSeconds(const std::string &text, double *ms) {
  if (text.empty() || text[0] == '+' || text[0] == '-' || std::isspace(static_cast<unsigned char>(text[0])))
    return false;
  errno = 0;
  char *end = nullptr;
  const double s = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(s) || s < 0.0 || s * 1000.0 > kLongestShowMs) return false;
  *ms = s * 1000.0;
  return true;
}

// Milliseconds of delay: a plain decimal number from 0 to 10 s.
bool parseDelay(const std::string &text, double *ms) {
  if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) return false;
  const CNumbers cNumbers;
  char *end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !(v <= 10000.0)) return false;
  *ms = v;
  return true;
}

bool parseInt(const std::string &text, int lo, int hi, int *v) {
  if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const long n = std::strtol(text.c_str(), nullptr, 10);
  if (n < lo || n > hi) return false;
  *v = static_cast<int>(n);
  return true;
}

bool parseSeed(const std::string &text, unsigned *seed) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const unsigned long long n = std::strtoull(text.c_str(), nullptr, 10);
  if (n > 0xFFFFFFFFull) return false;
  *seed = static_cast<unsigned>(n);
  return true;
}

bool parseSize(const std::string &text, int *w, int *h) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return false;
  return parseInt(text.substr(0, x), 1, kLargestSide, w) && parseInt(text.substr(x + 1), 1, kLargestSide, h);
}

bool parseTimes(const std::string &text, std::vector<double> *ms) {
  size_t from = 0;
  for (;;) {
    const size_t comma = text.find(',', from);
    double t = 0.0;
    if (!parseSeconds(text.substr(from, comma == std::string::npos ? std::string::npos : comma - from), &t))
      return false;
    ms->push_back(t);
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  return true;
}

// One option and its value, applied to out.
bool apply(const std::string &name, const std::string &value, LayerOptions *out, std::string *error) {
  const std::string opt = kPrefix + name;
  if (name == "capture") {
    if (value.empty()) return fail(error, opt + " needs a file name");
    out->capturePath = value;
  } else if (name == "stills") {
    out->stillsMs.clear();
    if (!parseTimes(value, &out->stillsMs))
      return fail(error, opt + " takes show times in seconds separated by commas, not \"" + value + "\"");
  } else if (name == "stills-dir") {
    if (value.empty()) return fail(error, opt + " needs a directory");
    out->stillsDir = value;
  } else if (name == "fps") {
    if (!parseInt(value, 1, 1000, &out->fps))
      return fail(error, opt + " takes a whole number of frames per second from 1 to 1000, not \"" + value + "\"");
  } else if (name == "size") {
    if (!parseSize(value, &out->width, &out->height))
      return fail(error, opt + " takes WIDTHxHEIGHT in pixels (1 to 8192 each), not \"" + value + "\"");
  } else if (name == "benchmark") {
    out->benchmark = true;
    out->benchmarkPath = value;
  } else if (name == "window") {
    out->windowW = 1280, out->windowH = 720;
    if (!value.empty() && !parseSize(value, &out->windowW, &out->windowH))
      return fail(error, opt + " takes WIDTHxHEIGHT in pixels (1 to 8192 each), not \"" + value + "\"");
  } else if (name == "max-fps") {
    if (!parseInt(value, 0, 1000, &out->maxFps))
      return fail(error, opt + " takes a whole number of frames per second from 0 (no cap) to 1000, not \"" +
                             value + "\"");
  } else if (name == "stats") {
    out->stats = true;
  } else if (name == "audio-delay") {
    if (!parseDelay(value, &out->audioDelayMs))
      return fail(error, opt + " takes milliseconds from 0 to 10000, not \"" + value + "\"");
    out->audioDelayGiven = true;
  } else if (name == "gl-debug") {
    out->glDebug = true;
  } else if (name == "caller-dir") {
    if (value.empty() || value[0] != '/') return fail(error, opt + " takes an absolute directory, not \"" + value + "\"");
    out->callerDir = value;
  } else if (name == "quality") {
    if (value != "fast" && value != "final")
      return fail(error, opt + " takes fast (previews) or final (the file to keep), not \"" + value + "\"");
    out->quality = value == "fast" ? VideoQuality::kFast : VideoQuality::kFinal;
  } else if (name == "silent") {
    out->silent = true;
  } else if (name == "seed") {
    if (!parseSeed(value, &out->seed))
      return fail(error, opt + " takes a whole number from 0 to 4294967295, not \"" + value + "\"");
    out->seedGiven = true;
  } else if (name == "stop") {
    if (!parseSeconds(value, &out->stopMs) || out->stopMs <= 0.0)
      return fail(error, opt + " takes a show time in seconds above 0, not \"" + value + "\"");
  }
  return true;
}

bool takesNoValue(const std::string &name) {
  return name == "help" || name == "stats" || name == "gl-debug" || name == "silent";
}
// Their value, when given, follows '=': the next word is the program's.
bool takesOptionalValue(const std::string &name) { return name == "benchmark" || name == "window"; }

bool known(const std::string &name) {
  for (const char *n : {"capture", "stills", "stills-dir", "fps", "size", "stop", "help", "benchmark", "stats",
                        "gl-debug", "window", "caller-dir", "quality", "silent", "seed", "max-fps", "audio-delay"})
    if (name == n) return true;
  return false;
}

// A path the user typed, as seen from the directory they typed it in.
void fromCaller(const std::string &callerDir, std::string *path) {
  if (callerDir.empty() || path->empty() || (*path)[0] == '/') return;
  *path = *path == "." ? callerDir : callerDir + "/" + *path;
}

// The combinations that make sense, once every option is read.
bool check(LayerOptions *out, std::string *error) {
  for (std::string *path : {&out->capturePath, &out->stillsDir, &out->benchmarkPath}) fromCaller(out->callerDir, path);
  std::sort(out->stillsMs.begin(), out->stillsMs.end());
  out->stillsMs.erase(std::unique(out->stillsMs.begin(), out->stillsMs.end()), out->stillsMs.end());
  if (!out->offline()) {
    if (out->fps != 60)
      return fail(error, "--gl4d-fps needs --gl4d-capture, --gl4d-stills or --gl4d-benchmark (live: --gl4d-max-fps)");
  } else {
    if (out->maxFps) return fail(error, "--gl4d-max-fps is for a live run (offline runs take --gl4d-fps)");
    if (out->stats) return fail(error, "--gl4d-stats is for a live run (a benchmark prints its own figures)");
    if (out->audioDelayGiven)
      return fail(error, "--gl4d-audio-delay is for a live run (offline, frames and sound are in lock-step)");
    if (out->windowW) return fail(error, "--gl4d-window is for a live run (offline runs have no window to see)");
  }
  if (out->benchmark && (out->capturing() || out->takingStills()))
    return fail(error, "--gl4d-benchmark times frames alone: not with --gl4d-capture or --gl4d-stills");
  if (!out->capturing() && (out->silent || out->quality != VideoQuality::kFast))
    return fail(error, std::string(out->silent ? "--gl4d-silent" : "--gl4d-quality") + " needs --gl4d-capture");
  // The scene manager's own size is checked once it is known.
  if (out->capturing() && out->width) {
    const std::string problem = videoSizeProblem(out->width, out->height, out->fps);
    if (!problem.empty()) return fail(error, problem + " (--gl4d-size, --gl4d-fps)");
  }
  if (out->stopMs > 0.0 && out->takingStills() && out->stillsMs.back() >= out->stopMs)
    return fail(error, "a still is asked for at or after the stop time (--gl4d-stop)");
  return true;
}

}  // namespace

bool parseLayerOptions(int argc, char *const *argv, LayerOptions *out, std::string *error) {
  *out = LayerOptions{};
  const CNumbers cNumbers;
  const size_t prefixLength = std::strlen(kPrefix);
  for (int i = 1; i < argc && argv[i]; ++i) {
    const std::string arg = argv[i];
    if (arg.compare(0, prefixLength, kPrefix) != 0) continue;
    std::string name = arg.substr(prefixLength), value;
    const size_t eq = name.find('=');
    if (eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.erase(eq);
    }
    if (!known(name)) return fail(error, "unknown option " + std::string(kPrefix) + name);
    if (eq != std::string::npos) {
      if (takesNoValue(name)) return fail(error, std::string(kPrefix) + name + " takes no value");
    } else if (!takesNoValue(name) && !takesOptionalValue(name)) {
      if (i + 1 >= argc || !argv[i + 1]) return fail(error, std::string(kPrefix) + name + " needs a value");
      value = argv[++i];
    }
    // "--gl4d-capture --gl4d-fps=30" lacks a file name: it does not capture to one called "--gl4d-fps=30".
    if (!value.empty() && value[0] == '-')
      return fail(error, std::string(kPrefix) + name + " takes a value, not \"" + value +
                             "\", which looks like an option (a file of that name: ./" + value + ")");
    if (name == "help") {
      out->help = true;
      continue;
    }
    if (!apply(name, value, out, error)) return false;
  }
  return check(out, error);
}

const char *layerOptionsHelp() {
  return "Window options (everything else on the command line is left to the program):\n"
         "  --gl4d-capture=FILE     record the show to FILE, an MP4 (H.264 and AAC, made by ffmpeg),\n"
         "                          rendered offscreen frame by frame at exact show times, with its sound\n"
         "  --gl4d-stills=T[,T...]  write the frames at these show times (seconds) as PNG files\n"
         "                          still-TTT.ttt.png (with --gl4d-capture: taken from the capture's frames)\n"
         "  --gl4d-stills-dir=DIR   where the stills go (default: the working directory; made if missing)\n"
         "  --gl4d-fps=N            frames per second offline (default 60)\n"
         "  --gl4d-size=WxH         frame size (default: the scene manager's, 1920x1080); the show is\n"
         "                          rendered at that size, and live scaled to the window: without a\n"
         "                          graphics card, 640x360 plays smoothly where 1920x1080 cannot\n"
         "  --gl4d-max-fps=N        a live run draws at most N frames a second (default 0: as many as\n"
         "                          the display takes)\n"
         "  --gl4d-stop=T           end after show time T seconds (a capture: default the end of the\n"
         "                          show; stills: after the last one; live: the window closes)\n"
         "  --gl4d-benchmark[=FILE.json]\n"
         "                          play the whole show offscreen as fast as it goes and print each\n"
         "                          row's frame times, the start-up, memory and GL objects (and write\n"
         "                          them to FILE.json); with --gl4d-size (default 1920x1080), --gl4d-fps\n"
         "  --gl4d-stats            at the end of a live run, the frame times of each row, the sound's\n"
         "                          stalls and the clock's corrections\n"
         "  --gl4d-audio-delay=MS   a live run's output delay, from a sound block's mixing to its being\n"
         "                          heard (default 30, a sound server's); the picture waits for it\n"
         "  --gl4d-gl-debug         a debug context: every GL error and serious message reported once,\n"
         "                          with the row and scene it came in, and their count at the end\n"
         "  --gl4d-window[=WxH]     play in a resizable desktop window (default 1280x720)\n"
         "  --gl4d-quality=fast|final  a capture's encoding: fast (the default, for previews) or final\n"
         "                          (slower and finer: the file to keep and upload)\n"
         "  --gl4d-silent           a capture without a sound track (else a sound that cannot keep up\n"
         "                          with the frames is an error)\n"
         "  --gl4d-seed=N           the program's random seed (default: the time of day live, 1 offline,\n"
         "                          so that two offline runs give the same frames and sound)\n"
         "  --gl4d-caller-dir=DIR   relative FILE and DIR values are taken from DIR, an absolute\n"
         "                          directory (default: the working directory; launchers pass it)\n"
         "  --gl4d-help             print this and exit\n"
         "Values follow the option after '=' or as the next argument ([=...]: after '=' only).\n";
}

std::string stillFileName(double ms) {
  const CNumbers cNumbers;
  char name[64];
  std::snprintf(name, sizeof name, "still-%07.3f.png", std::round(ms) / 1000.0);
  return name;
}

std::string videoSizeProblem(int w, int h, int fps) {
  // H.264 level 5.2: at most 36,864 macroblocks of 16 x 16 a frame, 543 of
  // them along a side (the square root of 8 times that), 2,073,600 a second.
  constexpr long kFrameBlocks = 36864, kSideBlocks = 543, kBlocksPerSecond = 2073600;
  const long across = (w + 15) / 16, down = (h + 15) / 16;
  const std::string size = std::to_string(w) + "x" + std::to_string(h);
  if (w % 2 || h % 2) return "a video's frame size must be even in both directions, not " + size;
  if (across > kSideBlocks || down > kSideBlocks || across * down > kFrameBlocks)
    return "a video of " + size + " is beyond H.264 level 5.2, the most players decode (at most 36864 blocks of " +
           "16x16 pixels, 8688 pixels a side: 4096x2304 fits)";
  if (across * down * fps > kBlocksPerSecond)
    return "a video of " + size + " at " + std::to_string(fps) + " fps is beyond H.264 level 5.2 (at most " +
           std::to_string(kBlocksPerSecond / (across * down)) + " fps at that size)";
  return "";
}

}  // namespace gl4d
