// Functions the layer's own files call on one another; not exported.
#pragma once

#include <epoxy/gl.h>

#include <string>
#include <utility>
#include <vector>

#include "gl4d/scenes.h"

namespace gl4d {

// Whether the layer's clock is the manual one (time set by hand).
bool manualClockOn();

void releaseScenes();
void releaseFilters();
// Everything the filters would make on their first calls on w x h RGBA8
// textures, made now: no filter of the show compiles or allocates later.
void prepareFilters(int w, int h);
void releaseGeometry();

// One shader stage from its source; 0, with the driver's log in *log, when it
// does not compile.
GLuint compileShader(GLenum type, const std::string &source, std::string *log);
// A program of the stages (left attached to nothing); 0, with the log, when
// it does not link. The stages stay the caller's.
GLuint linkProgram(const std::vector<GLuint> &shaders, std::string *log);
void releasePrograms();
void releaseMatrices();

// The scenes' clocks (scene_times.cpp). The first step at or after a show
// time in ms; the table's scenes with the start of the first row of each;
// around each row played, the frame's show time and the row's scenes.
double stepAtOrAfter(double ms);
void startSceneTimes(const std::vector<std::pair<GL4DHscene, double>> &firstRows);
void beginSceneTimes(double now, GL4DHscene first, GL4DHscene second);
void endSceneTimes();
double sceneStart(GL4DHscene scene);  // its table start, -1 when it has none

// Show time of the scene manager in ms, -1 before its first draw: offline
// the clock's since then, live the last frame's.
double showElapsedMs();
// Offline runs: the clock becomes a manual clock reading 0, and SDL_GetTicks
// follows the layer's clock from then on.
void startOfflineClock();
void setTicksFollowClock(bool on);

// Real time since the layer was loaded, in ms: never the manual clock.
double sinceLoadMs();
// The start-up's parts, in real ms, as the layer saw them: before the
// window was asked for (the program's own start: the archives), the window,
// the scene manager's initialiser (the shared resources), the scenes' own
// initialisations.
enum Phase { kBeforeWindow, kWindow, kSharedResources, kSceneInitialisations, kPhases };
extern double phaseMs[kPhases];

// The scene manager's rows: their span of the show and what they play.
struct RowInfo {
  double startMs, endMs;
  void *first, *second;
  std::string firstName, secondName;  // "" for none
  std::string scenes() const { return firstName + (secondName.empty() ? "" : " > " + secondName); }  // "bee5 > bee6"
};
std::vector<RowInfo> tableRows();
// A function's name as the program's symbols give it ("bee2"), else its address.
std::string functionName(void *f);
// What a row shows: "noir", "bee5 > bee6"; "" for none.
std::string rowScenes(int row);

// A PNG file of w x h RGBA8 pixels (rows bottom-up unless topDown), as
// bytes; empty if it cannot be made.
std::string pngBytes(int w, int h, const GLubyte *rgba, bool topDown);

// --gl4d-gl-debug, once the context is current; the count, at the end.
void startGlDebug();
void reportGlDebug();
}  // namespace gl4d
