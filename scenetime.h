/* Time as the scenes use it: their own clocks in seconds, from the times the
 * scene manager gives them, and the 60 Hz steps of show time by which the
 * show's integrators, beats and feedback move, so that a picture depends on
 * its show time and not on the frame rate. */
#ifndef SCENETIME_H
#define SCENETIME_H

#include "gl4d/gl4d.h"

/* A scene's clock for the frame being drawn: seconds in single precision
 * (from the layer's milliseconds, divided in double), as the scenes have
 * always kept them. now and previous are held at the start or later. */
struct SceneClock {
  GL4DHscene scene;      /* whose clock */
  float start, now, previous;
  bool first;            /* the scene's first frame */
  double fromMs, toMs;   /* the show's previous frame and this one, ms */
  float steps;           /* 60 Hz steps of its own time since its previous
                            frame, one more on its first: 1 at 60 fps */
  float t() const { return now - start; }
  float dt() const { return now - previous; }
};
SceneClock sceneClock(GL4DHscene scene);

/* Seconds of a show time given in ms: double division, float result. */
float showSeconds(double ms);
/* Show time of the end of 60 Hz step n, in ms; step n spans
 * (stepMs(n - 1), stepMs(n)]. At 60 fps frame n is drawn at stepMs(n). */
double stepMs(long n);

/* One step's part of a span of show time: share is 1 exactly for a whole
 * step; ends says the span reaches the step's end; toMs is where the part
 * ends. */
struct StepPart {
  long n;
  float share;
  bool ends;
  double toMs;
};
/* Calls part(StepPart) for every step that (fromMs, toMs] covers, in order. */
template <class Part>
void forEachStep(double fromMs, double toMs, Part &&part);
/* The steps (fromMs, toMs] covers: exactly 1 for one whole step. */
float stepsIn(double fromMs, double toMs);
/* The step a show time falls in (at its end, for a time on a step). */
long lastStep(double ms);

/* A draw in [0, 1) for step n of the show, the same for the same seed
 * whatever the frame rate and whoever draws first. */
float stepRandom(long n);

/* -------------------------------------------------------------------- */

#include <algorithm>
#include <cmath>

/* A time within a millionth of a millisecond of a step is on it: a manual
 * clock set in other units than the steps' still meets them. */
double onStep(double ms);

template <class Part>
void forEachStep(double fromMs, double toMs, Part &&part) {
  fromMs = onStep(fromMs);
  toMs = onStep(toMs);
  if (!(toMs > fromMs)) return;
  long n = static_cast<long>(std::floor(fromMs * GL4DH_STEPS_PER_SECOND / 1000.0 + 1e-9)) + 1;
  for (;; ++n) {
    const double a = stepMs(n - 1), b = stepMs(n);
    const double lo = std::max(fromMs, a), hi = std::min(toMs, b);
    const bool whole = lo == a && hi == b;
    if (hi > lo)
      part(StepPart{n, whole ? 1.0f : static_cast<float>((hi - lo) * GL4DH_STEPS_PER_SECOND / 1000.0), hi == b, hi});
    if (hi >= toMs) return;
  }
}

#endif
