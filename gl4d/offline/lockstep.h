// Keeps the sound in step with the picture while frames are made offline:
// the sound thread may run ahead of the picture by less than a block, the
// picture ahead of the sound by less than a frame. Positions are counted in
// sound frames (samples per channel) from the start of the show.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace gl4d {

class LockStep {
 public:
  explicit LockStep(double blockFrames) : blockFrames_(blockFrames) {}

  // Sound thread, once at the end of every block's update. A block before
  // the show started is start-up: it waits for the show. A show block is
  // counted, then waits until the picture has reached the next block's
  // start. Once released nothing waits; blocks are then paced at pace each,
  // so that a sound driver without a clock of its own does not run away.
  void afterBlock(std::chrono::microseconds pace = std::chrono::microseconds(0));

  // Picture thread: the picture is at pos (the show starts at the first
  // call); waits until every block that starts before pos has been through
  // afterBlock. Returns false when the sound made no progress for the
  // watchdog's time: the lock-step is then given up, and from then on
  // nothing waits (and this returns true).
  bool advancePicture(double pos);

  // Picture thread, before the first frame: true once a block has come,
  // false when none came within timeout (the sound is then left alone).
  bool waitForSound(std::chrono::milliseconds timeout);

  // Nobody waits any more (exit, end of the capture).
  void release();

  void setWatchdog(std::chrono::milliseconds w) { watchdog_ = w; }

  bool released() const;
  bool started() const;  // the picture has moved: blocks now are the show's
  bool attached() const;
  std::uint64_t startupBlocks() const;  // blocks before the show
  std::uint64_t showBlocks() const;     // blocks of the show, released or not
  double blockFrames() const { return blockFrames_; }

 private:
  const double blockFrames_;
  std::chrono::milliseconds watchdog_{10000};
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool started_ = false, released_ = false, attached_ = false, detached_ = false;
  double picture_ = 0.0;
  std::uint64_t startup_ = 0, show_ = 0;
};

}  // namespace gl4d
