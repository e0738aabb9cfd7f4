// The layer's clock: SDL's performance counter since load, or a manual clock.
#include "gl4d/clock.h"

#include <SDL2/SDL.h>

#include <atomic>
#include <chrono>

#include "gl4d/core/internal.h"

namespace {

const Uint64 startCount = SDL_GetPerformanceCounter();
// The audio thread reads the clock too: plain atomics, relaxed.
std::atomic<bool> manual{false};
std::atomic<double> manualMs{0.0};
std::atomic<double> realOffsetMs{0.0};  // keeps the real clock above a manual reading

double realMs() {
  const Uint64 ticks = SDL_GetPerformanceCounter() - startCount;
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(SDL_GetPerformanceFrequency()) +
         realOffsetMs.load(std::memory_order_relaxed);
}

}  // namespace

double gl4dGetElapsedTime(void) {
  return manual.load(std::memory_order_relaxed) ? manualMs.load(std::memory_order_relaxed) : realMs();
}

void gl4dSetManualClock(GLboolean on) {
  const bool wasManual = manual.load(std::memory_order_relaxed);
  if (on && !wasManual) {
    manualMs.store(realMs(), std::memory_order_relaxed);
    manual.store(true, std::memory_order_relaxed);
  } else if (!on && wasManual) {
    const double last = manualMs.load(std::memory_order_relaxed);
    const double now = realMs();
    if (now < last)
      realOffsetMs.store(realOffsetMs.load(std::memory_order_relaxed) + (last - now), std::memory_order_relaxed);
    manual.store(false, std::memory_order_relaxed);
  }
}

void gl4dSetElapsedTime(double ms) {
  if (ms > manualMs.load(std::memory_order_relaxed)) manualMs.store(ms, std::memory_order_relaxed);
}

void gl4dAdvanceElapsedTime(double ms) {
  if (ms > 0.0) manualMs.store(manualMs.load(std::memory_order_relaxed) + ms, std::memory_order_relaxed);
}

bool gl4d::manualClockOn() { return manual.load(std::memory_order_relaxed); }

double gl4d::phaseMs[gl4d::kPhases] = {0, 0, 0, 0};

double gl4d::sinceLoadMs() {
  static const auto loaded = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - loaded).count();
}

// The load time is taken as the library is loaded, with the program.
[[maybe_unused]] static const double loadedAt = gl4d::sinceLoadMs();

void gl4d::startOfflineClock() {
  manualMs.store(0.0, std::memory_order_relaxed);
  manual.store(true, std::memory_order_relaxed);
}
