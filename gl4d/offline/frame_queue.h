// Frames handed from the rendering thread to a thread of their own that
// sends them on (to the encoder), so that the next frame is drawn while the
// last ones are sent: a ring of a few frame buffers, filled by the renderer
// in turn and sent in that order. The sending thread takes no stop signal:
// they keep reaching the rendering thread, as without it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace gl4d {

class FrameQueue {
 public:
  // Sends one frame; false when it could not (nothing more is sent then).
  using Send = std::function<bool(const std::uint8_t *)>;

  ~FrameQueue() { cancel(); }
  // Starts the sending thread over slots buffers of frameBytes each.
  void start(size_t frameBytes, size_t slots, Send send);
  // The buffer for the next frame, once the frame sent from it before is
  // gone; nullptr if a frame could not be sent or a stop signal came.
  std::uint8_t *next();
  // The frame that next() gave, filled: sent after those queued before it.
  void queue();
  // Every queued frame sent (unless one could not be or a stop signal
  // comes meanwhile), then the thread ended.
  void finish();
  // The thread ended at once, what is queued dropped: a send under way
  // gives up at its next wait (cancelled() tells it to).
  void cancel();
  const std::atomic<bool> &cancelled() const { return cancelled_; }

 private:
  void run();
  // Waits under lock until ready() or a stop signal; ready()'s last value.
  template <class Ready>
  bool waitFor(std::unique_lock<std::mutex> &lock, Ready ready);

  Send send_;
  std::vector<std::vector<std::uint8_t>> slots_;
  size_t filling_ = 0, queued_ = 0;  // the slot next() gives; frames queued, the one being sent included
  bool failed_ = false, ending_ = false;
  std::atomic<bool> cancelled_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread thread_;
};

}  // namespace gl4d
