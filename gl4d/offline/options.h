// The layer's own command-line options (--gl4d-*): a capture to video, stills
// at given show times, a stop time. Everything else on the command line
// belongs to the program and is left as it is.
#pragma once

#include <string>
#include <vector>

namespace gl4d {

// A capture's encoding: quick for previews, or slower and smaller for the
// file people keep and upload.
enum class VideoQuality { kFast, kFinal };

struct LayerOptions {
  std::string capturePath;      // MP4 to write; empty: no video
  std::vector<double> stillsMs;  // show times of the stills, ms, ascending, no repeats
  std::string stillsDir = ".";
  int fps = 60;
  int width = 0, height = 0;  // frame size; 0: the scene manager's own
  double stopMs = -1.0;       // show time to end at; negative: none given
  bool help = false;
  bool benchmark = false;
  std::string benchmarkPath;  // its figures as JSON too; empty: printed only
  bool stats = false;         // a live run's frame times, per row, at the end
  bool glDebug = false;       // a debug context: every GL error reported
  int windowW = 0, windowH = 0;  // a desktop window of this size; 0: as the program asks
  int maxFps = 0;             // a live run's frames a second at most; 0: as fast as the display takes them
  std::string callerDir;      // where relative output paths start; empty: the working directory
  VideoQuality quality = VideoQuality::kFast;
  bool silent = false;        // a capture without a sound track, whatever became of the sound
  bool seedGiven = false;     // --gl4d-seed: the program's random seed, live or offline
  unsigned seed = 0;
  bool audioDelayGiven = false;  // --gl4d-audio-delay: a live run's output delay, ms
  double audioDelayMs = 0.0;

  bool capturing() const { return !capturePath.empty(); }
  bool takingStills() const { return !stillsMs.empty(); }
  // Frames made one by one on the manual clock rather than shown live.
  bool offline() const { return capturing() || takingStills() || benchmark; }
};

// Reads the --gl4d-* options of argv (both "--gl4d-x=V" and "--gl4d-x V").
// Relative output paths come back resolved against --gl4d-caller-dir, which
// a launcher that changes directory passes. On bad input returns false with
// a one-line reason in *error.
bool parseLayerOptions(int argc, char *const *argv, LayerOptions *out, std::string *error);

// What --gl4d-help prints.
const char *layerOptionsHelp();

// File name of the still taken at show time ms: "still-012.500.png", in the
// C locale (scripts/still-name gives the same names to scripts and tests).
std::string stillFileName(double ms);

// Why a video of w x h at fps cannot be made for every player ("" when it
// can): H.264 in yuv420p needs even sides, and players decode up to level 5.2.
std::string videoSizeProblem(int w, int h, int fps);

}  // namespace gl4d
