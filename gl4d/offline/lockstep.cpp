// The sound/picture lock-step of offline frames.
#include "gl4d/offline/lockstep.h"

#include <cmath>
#include <thread>

namespace gl4d {

void LockStep::afterBlock(std::chrono::microseconds pace) {
  std::unique_lock<std::mutex> lock(mutex_);
  attached_ = true;
  if (!started_) {
    ++startup_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return started_ || released_; });
    return;
  }
  ++show_;
  changed_.notify_all();
  if (released_ || detached_) {
    lock.unlock();
    if (pace.count() > 0) std::this_thread::sleep_for(pace);
    return;
  }
  // The next block is mixed as soon as this returns: it must see the
  // picture past its own start. A frame that falls on the start itself is
  // drawn while this waits (the next frame moves the picture on), so that
  // what the frame reads of the sound, and what the block hears of the
  // frame, never depend on which thread runs first.
  changed_.wait(lock, [this] {
    return released_ || detached_ || picture_ > static_cast<double>(show_) * blockFrames_;
  });
}

bool LockStep::advancePicture(double pos) {
  std::unique_lock<std::mutex> lock(mutex_);
  started_ = true;
  if (pos > picture_) picture_ = pos;
  changed_.notify_all();
  if (!attached_ || detached_) return true;  // no sound to wait for
  const auto needed = static_cast<std::uint64_t>(std::ceil(pos / blockFrames_));
  std::uint64_t seen = show_;
  while (!(show_ >= needed || released_ || detached_)) {
    if (changed_.wait_for(lock, watchdog_) == std::cv_status::timeout && show_ == seen) {
      detached_ = true;
      changed_.notify_all();
      return false;
    }
    seen = show_;
  }
  return true;
}

bool LockStep::waitForSound(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, timeout, [this] { return attached_ || released_; });
  if (!attached_) detached_ = true;
  return attached_;
}

void LockStep::release() {
  std::lock_guard<std::mutex> lock(mutex_);
  released_ = true;
  changed_.notify_all();
}

bool LockStep::released() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return released_;
}

bool LockStep::started() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return started_;
}

bool LockStep::attached() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return attached_ && !detached_;
}

std::uint64_t LockStep::startupBlocks() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return startup_;
}

std::uint64_t LockStep::showBlocks() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return show_;
}

}  // namespace gl4d
