// Time as the scenes use it: clocks in seconds, 60 Hz steps, draws by step.
#include "scenetime.h"

#include <cstdint>

float showSeconds(double ms) { return static_cast<float>(ms / 1000.0); }

// The same expression as an offline run's frame times, to the bit.
double stepMs(long n) { return static_cast<double>(n) * 1000.0 / GL4DH_STEPS_PER_SECOND; }

double onStep(double ms) {
  const double step = stepMs(std::lround(ms * GL4DH_STEPS_PER_SECOND / 1000.0));
  return std::fabs(step - ms) < 1e-6 ? step : ms;
}

SceneClock sceneClock(GL4DHscene scene) {
  const GL4DHtimes t = gl4dhGetTimes(scene);
  const double now = std::max(t.now, t.start), previous = std::max(t.previous, t.start);
  const double ownSteps = (now - previous) * GL4DH_STEPS_PER_SECOND / 1000.0 + (t.first ? 1.0 : 0.0);
  return {scene, showSeconds(t.start), showSeconds(now), showSeconds(previous), t.first != 0, t.frame, t.now,
          static_cast<float>(ownSteps)};
}

long lastStep(double ms) {
  return static_cast<long>(std::ceil(onStep(ms) * GL4DH_STEPS_PER_SECOND / 1000.0 - 1e-9));
}

float stepsIn(double fromMs, double toMs) {
  float steps = 0.0f;
  forEachStep(fromMs, toMs, [&](const StepPart &p) { steps += p.share; });
  return steps;
}

// splitmix64 over the seed and the step: a well spread draw per step.
float stepRandom(long n) {
  std::uint64_t z = (static_cast<std::uint64_t>(gl4duwRandomSeed()) << 32) + static_cast<std::uint64_t>(n);
  z += 0x9e3779b97f4a7c15ull;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  z ^= z >> 31;
  return static_cast<float>(z >> 40) * 0x1p-24f;
}
