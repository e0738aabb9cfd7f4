// The sound's clock: a live show follows the sound being heard. The audio
// thread counts the frames it mixes and stamps each block with the layer's
// clock; a drawn frame's show time is the position heard then, the frames
// mixed less the output delay. Times are passed in, in ms of the layer's
// clock, so that the whole of it runs on any clock.
#pragma once

#include <array>
#include <atomic>

namespace gl4d {

class SoundClock {
 public:
  // The output delay before --gl4d-audio-delay: what a PulseAudio server
  // adds to SDL's own buffer of a block, as measured (docs/sync.md).
  static constexpr double kDefaultDelayMs = 30.0;
  // A stream that has mixed nothing for this long has stalled.
  static constexpr double kStallMs = 100.0;
  // A picture ahead of the sound goes back to it at this share of real time.
  static constexpr double kSlew = 0.1;
  // Less than this ahead is the blocks' stamps' own jitter: no correction.
  static constexpr double kJitterMs = 5.0;

  struct Stats {
    long stalls = 0;           // the stream stopped with the show going on
    double stalledMs = 0.0;    // the show's time on the layer's clock meanwhile
    long corrections = 0;      // the picture ahead of the sound (by kJitterMs or more), slowed to meet it
    double correctedMs = 0.0;  // the show time given back so
  };

  // Audio thread: a block of frames at rate, mixed at nowMs. Returns the show
  // time of its first frame, ms: frame i of the stream is at i / rate s.
  double block(long frames, int rate, double nowMs);
  // Main thread: the show time of a frame drawn at nowMs, never below the
  // previous frame's. Before any block and while the stream stalls it runs
  // on the layer's clock; the first frame is at 0 or at the sound heard.
  double frame(double nowMs);
  // Main thread: a new show's first frame comes next (a table set again).
  void restart() { started_ = moved_ = stalled_ = slewing_ = false; }
  void setDelay(double ms) { delayMs_ = ms; }
  double delay() const { return delayMs_; }
  const Stats &stats() const { return stats_; }

 private:
  // The audio thread's: frames mixed, and the latest blocks' stamps less
  // their stream time, ms (the stamp each would have at stream time 0).
  long mixed_ = 0;
  std::array<double, 15> origins_{};
  unsigned blocks_ = 0;
  // Shared: the median of those origins, and the latest stamp (-1: none).
  std::atomic<double> origin_{0.0};
  std::atomic<double> lastBlockMs_{-1.0};
  // The main thread's.
  double delayMs_ = kDefaultDelayMs;
  bool started_ = false, moved_ = false, stalled_ = false, slewing_ = false;
  double lastWallMs_ = 0.0, lastShowMs_ = 0.0;
  double wallFromMs_ = 0.0, wallShowMs_ = 0.0;  // where the layer's clock took over
  Stats stats_;
};

// The live show's sound clock (the scene manager's, scenes.cpp).
SoundClock &soundClock();

}  // namespace gl4d
