// Live frame pacing: a deadline a frame, slept to on the monotonic clock.
#include "gl4d/offline/pacing.h"

#include <chrono>
#include <thread>

namespace gl4d {

void paceLiveFrame(int maxFps) {
  using Clock = std::chrono::steady_clock;
  static Clock::time_point slot{};
  const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / maxFps));
  const Clock::time_point now = Clock::now();
  slot += period;
  if (slot < now) {
    slot = now;  // late, or the first frame: no catching up
    return;
  }
  std::this_thread::sleep_until(slot);
}

}  // namespace gl4d
