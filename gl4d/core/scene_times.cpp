// The scenes' clocks: the scene manager gives every scene of its table its
// times for the frame being drawn, so that no scene keeps a clock of its own
// and a scene's clock starts at the same show time at any frame rate.
#include <algorithm>
#include <cmath>
#include <vector>

#include "gl4d/clock.h"
#include "gl4d/core/internal.h"
#include "gl4d/scenes.h"

namespace {

struct SceneClock {
  GL4DHscene scene;
  double start;
  double last = -1.0;  // show time of its last frame; negative before its first
  GL4DHtimes current{};
};

std::vector<SceneClock> tableClocks;  // the table's scenes, started by their rows
std::vector<SceneClock> looseClocks;  // scenes drawn by hand, started at their first call
GL4DHscene drawing[2] = {nullptr, nullptr};
double lastFrame = -1.0;
// Outside the table, a frame is a distinct reading of the clock: scenes
// drawn by hand at one moment share their frame, as in a cross-fade.
double looseFrame = -1.0, loosePreviousFrame = -1.0;

SceneClock *find(std::vector<SceneClock> &clocks, GL4DHscene scene) {
  for (SceneClock &c : clocks)
    if (c.scene == scene) return &c;
  return nullptr;
}

}  // namespace

double gl4d::stepAtOrAfter(double ms) {
  // Steps at the times an offline run at 60 frames a second draws its
  // frames, to the bit: n * 1000 / 60.
  const double n = std::ceil(ms * GL4DH_STEPS_PER_SECOND / 1000.0 - 1e-9);
  return std::max(0.0, n) * 1000.0 / GL4DH_STEPS_PER_SECOND;
}

void gl4d::startSceneTimes(const std::vector<std::pair<GL4DHscene, double>> &firstRows) {
  tableClocks.clear();
  for (const auto &[scene, rowStart] : firstRows)
    if (scene && !find(tableClocks, scene)) tableClocks.push_back({scene, stepAtOrAfter(rowStart)});
  lastFrame = -1.0;
  drawing[0] = drawing[1] = nullptr;
}

void gl4d::beginSceneTimes(double now, GL4DHscene first, GL4DHscene second) {
  const double frame = lastFrame < 0.0 ? now : lastFrame;
  lastFrame = now;
  drawing[0] = first;
  drawing[1] = second != first ? second : nullptr;
  for (GL4DHscene scene : drawing) {
    SceneClock *c = scene ? find(tableClocks, scene) : nullptr;
    if (!c) continue;
    c->current = {now, c->start, c->last < 0.0 ? c->start : c->last, frame, c->last < 0.0};
    c->last = now;
  }
}

double gl4d::sceneStart(GL4DHscene scene) {
  const SceneClock *c = scene ? find(tableClocks, scene) : nullptr;
  return c ? c->start : -1.0;
}

void gl4d::endSceneTimes() { drawing[0] = drawing[1] = nullptr; }

GL4DHtimes gl4dhGetTimes(GL4DHscene scene) {
  if (scene && (scene == drawing[0] || scene == drawing[1]))
    if (const SceneClock *c = find(tableClocks, scene)) return c->current;
  const double now = gl4dGetElapsedTime();
  if (now != looseFrame) {
    loosePreviousFrame = looseFrame < 0.0 ? now : looseFrame;
    looseFrame = now;
  }
  SceneClock *c = find(looseClocks, scene);
  const bool first = !c;
  if (first) {
    looseClocks.push_back({scene, now, now});
    c = &looseClocks.back();
  }
  c->current = {now, c->start, c->last, loosePreviousFrame, first};
  c->last = now;
  return c->current;
}

int gl4dhIsDrawing(GL4DHscene scene) { return scene && (scene == drawing[0] || scene == drawing[1]); }

void gl4dhResetTimes(void) {
  looseClocks.clear();
  looseFrame = loosePreviousFrame = -1.0;
}
