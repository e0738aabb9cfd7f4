#include "gl4d/offline/frame_queue.h"

#include <chrono>

#include "gl4d/offline/stop_signals.h"

namespace gl4d {

void FrameQueue::start(size_t frameBytes, size_t slots, Send send) {
  send_ = std::move(send);
  slots_.assign(slots, std::vector<std::uint8_t>(frameBytes));
  thread_ = std::thread([this] { run(); });
}

void FrameQueue::run() {
  blockStopSignals();
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return queued_ > 0 || ending_ || cancelled_; });
    if (cancelled_ || queued_ == 0) return;  // ending, and everything sent
    const std::uint8_t *frame = slots_[(filling_ + slots_.size() - queued_) % slots_.size()].data();
    lock.unlock();
    const bool sent = send_(frame);
    lock.lock();
    --queued_;
    failed_ = !sent;
    changed_.notify_all();
    if (failed_) return;
  }
}

template <class Ready>
bool FrameQueue::waitFor(std::unique_lock<std::mutex> &lock, Ready ready) {
  // Polled: a stop signal is heeded however long the encoder takes.
  while (!ready()) {
    if (stopSignal()) return false;
    changed_.wait_for(lock, std::chrono::milliseconds(20));
  }
  return true;
}

std::uint8_t *FrameQueue::next() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!waitFor(lock, [&] { return failed_ || queued_ < slots_.size(); }) || failed_) return nullptr;
  return slots_[filling_].data();
}

void FrameQueue::queue() {
  const std::lock_guard<std::mutex> lock(mutex_);
  filling_ = (filling_ + 1) % slots_.size();
  ++queued_;
  changed_.notify_all();
}

void FrameQueue::finish() {
  if (!thread_.joinable()) return;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!waitFor(lock, [&] { return failed_ || queued_ == 0; })) cancelled_ = true;  // a stop signal
    ending_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void FrameQueue::cancel() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

}  // namespace gl4d
