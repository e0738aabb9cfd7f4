// The sound's clock (sound_clock.h).
#include "gl4d/core/sound_clock.h"

#include <algorithm>

namespace gl4d {

double SoundClock::block(long frames, int rate, double nowMs) {
  if (rate <= 0 || frames < 0) return 0.0;
  const double startMs = 1000.0 * static_cast<double>(mixed_) / rate;
  mixed_ += frames;
  // A block is mixed when the output has room for it, or earlier (the
  // stream filling up), or later (a busy thread, its buffer covering it):
  // the median of the last stamps holds the pace, not the bursts.
  origins_[blocks_ % origins_.size()] = nowMs - startMs;
  ++blocks_;
  std::array<double, 15> sorted = origins_;
  const auto n = std::min<size_t>(blocks_, sorted.size());
  std::nth_element(sorted.begin(), sorted.begin() + n / 2, sorted.begin() + n);
  origin_.store(sorted[n / 2], std::memory_order_relaxed);
  lastBlockMs_.store(nowMs, std::memory_order_relaxed);
  return startMs;
}

double SoundClock::frame(double nowMs) {
  const double last = lastBlockMs_.load(std::memory_order_relaxed);
  const bool moving = last >= 0.0 && nowMs - last < kStallMs;
  const double heard = nowMs - delayMs_ - origin_.load(std::memory_order_relaxed);
  if (!started_) {
    moved_ = moving;
    lastShowMs_ = moving ? std::max(0.0, heard) : 0.0;
    lastWallMs_ = wallFromMs_ = nowMs;
    wallShowMs_ = lastShowMs_;
    started_ = true;
    return lastShowMs_;
  }
  const double step = std::max(0.0, nowMs - lastWallMs_);
  double show;
  if (!moving) {
    // On the layer's clock from the last frame on the sound: from the first
    // frame, with no sound, a show time is the clock's since then, exactly.
    if (!stalled_ && moved_) ++stats_.stalls, wallFromMs_ = lastWallMs_, wallShowMs_ = lastShowMs_;
    stalled_ = moved_;
    if (stalled_) stats_.stalledMs += step;
    show = std::max(lastShowMs_, wallShowMs_ + (nowMs - wallFromMs_));
  } else {
    moved_ = true;
    stalled_ = false;
    const double slowest = lastShowMs_ + (1.0 - kSlew) * step;
    const bool ahead = heard < slowest;
    // One correction from the picture found ahead by more than the
    // stamps' jitter until it has met the sound.
    if (ahead && !slewing_ && lastShowMs_ + step - heard > kJitterMs) ++stats_.corrections, slewing_ = true;
    if (ahead) stats_.correctedMs += kSlew * step;
    slewing_ = slewing_ && ahead;
    show = ahead ? slowest : heard;
  }
  lastWallMs_ = nowMs;
  lastShowMs_ = show;
  return show;
}

}  // namespace gl4d
