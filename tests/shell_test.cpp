// The entry point through the calls it makes: window.cpp compiled here with
// every call of its start-up, keys and exit handler recorded instead of run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "animations.h"
#include "audioHelper.h"
#include "credits.h"
#include "gl4d/gl4d.h"
#include "spi.h"
#include "unzip/miniunz.h"

namespace {
std::vector<std::string> calls;
GLboolean windowMade = GL_TRUE;
const char *nameOf(const void *f);  // the recorded functions, by name

template <typename... Args>
void record(const char *name, Args... args) {
  std::ostringstream s;
  s << name << "(";
  int n = 0;
  ((s << (n++ ? ", " : "") << args), ...);
  calls.push_back(s.str() + ")");
}
}  // namespace

#undef glClearColor
#undef glViewport
#define muExtrFile1() (record("muExtrFile1"), 0)
#define muExtrFile2() (record("muExtrFile2"), 0)
#define gl4duwCreateWindow(c, v, t, x, y, w, h, f) (record("window", c, v[1], t, x, y, w, h, f), windowMade)
#define SDL_GL_SetSwapInterval(i) record("swapInterval", i)
#define SDL_ShowCursor(s) record("showCursor", s)
#define glClearColor(r, g, b, a) record("clearColor", r, g, b, a)
#define gl4dhInit(t, w, h, i) record("gl4dhInit", nameOf(t), w, h, nameOf((void *)i))
#define glViewport(x, y, w, h) record("viewport", x, y, w, h)
#define atexit(f) (record("atexit", nameOf((void *)f)), 0)
#define gl4duwResizeFunc(f) record("resizeFunc", nameOf((void *)f))
#define gl4duwKeyDownFunc(f) record("keyDownFunc", nameOf((void *)f))
#define gl4duwDisplayFunc(f) record("displayFunc", nameOf((void *)f))
#define ahInitAudio(p) record("ahInitAudio", p)
#define gl4duwMainLoop() record("mainLoop")
#define exit(s) record("exit", s)
#define ahClean(ms) record("ahClean", ms)
#define gl4duClean(f) record("gl4duClean", f)
#define main honeyfold_main
#include "../window.cpp"
#undef main
#undef exit
#undef gl4dhInit

#include <map>

#include "support/gl.h"

namespace {

const char *nameOf(const void *f) {
  const std::pair<const void *, const char *> known[] = {
      {_animations, "_animations"}, {(void *)animationsInit, "animationsInit"}, {(void *)quit, "quit"},
      {(void *)resize, "resize"},   {(void *)keydown, "keydown"},             {(void *)gl4dhDraw, "gl4dhDraw"}};
  for (const auto &[p, name] : known)
    if (p == f) return name;
  return "?";
}

std::vector<std::string> run(GLboolean made) {
  calls.clear();
  windowMade = made;
  char a0[] = "honeyfold", a1[] = "--any";
  char *argv[] = {a0, a1, nullptr};
  calls.push_back("returned " + std::to_string(honeyfold_main(2, argv)));
  return calls;
}

TEST(Main, StartsUpInItsOrderAndReturnsZeroWhenTheLoopEndsOrOneWithoutAWindow) {
  std::vector<std::string> expected = {"muExtrFile1()", "muExtrFile2()",
                                             "window(2, --any, honeyfold, 536805376, 536805376, 1920, 1080, 4133)",
                                             "swapInterval(1)", "showCursor(0)", "clearColor(0.2, 0.2, 0.2, 0)",
                                             "gl4dhInit(_animations, 1920, 1080, animationsInit)",
                                             "viewport(0, 0, 1920, 1080)", "atexit(quit)", "resizeFunc(resize)",
                                             "keyDownFunc(keydown)", "displayFunc(gl4dhDraw)",
                                             "ahInitAudio(audio/velvora.mod)", "mainLoop()", "returned 0"};
  EXPECT_EQ(run(GL_TRUE), expected);
  expected.resize(3), expected.push_back("returned 1");
  EXPECT_EQ(run(GL_FALSE), expected) << "no audio, no exit handler";
}

TEST(Main, QuitFadesTheSoundShowsTheCursorAndCleansUp) {
  calls.clear();
  quit();
  EXPECT_EQ(calls, (std::vector<std::string>{"ahClean(1000)", "showCursor(1)", "gl4duClean(4294967295)"}));
}

// The real scene manager playing the table with every scene standing in as a recorder: when each scene is first drawn
// (its clock starts then) and what is drawn at a moment.
const GL4DHscene kScenes[] = {noir, huit, rouge, vert, beep, spi, beebegin, bee2, bee3, bee4, bee5, bee6, bee7, credits};
const char *const kNames[] = {"noir", "huit", "rouge", "vert", "beep", "spi", "beebegin",
                              "bee2", "bee3", "bee4", "bee5", "bee6", "bee7", "credits"};
std::vector<std::string> drawn;
std::map<std::string, double> firstDrawn;
double showMs = 0;
template <int N>
void standIn(int state) {
  if (state != 2) return;
  drawn.push_back(kNames[N]);
  firstDrawn.emplace(kNames[N], showMs);
}
void standInFade(GL4DHscene a, GL4DHscene b, GLuint, GLuint, int state) {
  if (state == 2) a(2), b(2);
}
template <int... N>
GL4DHscene standInFor(GL4DHscene scene, std::integer_sequence<int, N...>) {
  const GL4DHscene standIns[] = {standIn<N>...};
  for (size_t i = 0; i < std::size(kScenes); ++i)
    if (kScenes[i] == scene) return standIns[i];
  return nullptr;
}

class Show : public hf::GlTest {};

TEST_F(Show, EachSceneStartsAtItsFirstRowAndBee6ComesBackForTheCredits) {
  static GL4DHanime table[std::size(_animations)];
  for (size_t i = 0; i < std::size(_animations); ++i) {
    const GL4DHanime &row = _animations[i];
    const auto all = std::make_integer_sequence<int, std::size(kScenes)>();
    table[i] = {row.duration, standInFor(row.first, all), standInFor(row.second, all), row.mix ? standInFade : nullptr};
  }
  gl4dhInit(table, 8, 8, nullptr);
  const double origin = hf::freshClock();
  std::map<double, std::vector<std::string>> at = {{94000, {}}, {99500, {}}, {137260, {}}};
  for (showMs = 0; showMs < 148460; showMs += 20) {  // every row starts on a multiple of 20 ms
    drawn.clear();
    hf::clockAt(origin, showMs / 1000);
    gl4dhDraw();
    if (at.count(showMs)) at[showMs] = drawn;
  }
  const std::map<std::string, double> starts = {
      {"noir", 0},          {"huit", 1000},      {"rouge", 21040},  {"vert", 25540},  {"beep", 25760},
      {"spi", 41760},       {"beebegin", 59760}, {"bee2", 88760},   {"bee3", 92260},  {"bee4", 102760},
      {"bee5", 115260},     {"bee6", 125260},    {"bee7", 130260},  {"credits", 137260}};
  EXPECT_EQ(firstDrawn, starts);
  // bee3 alone, then bee2 into bee3 a second before bee3's last row; bee6, whose clock runs since 125,260 ms.
  EXPECT_EQ(at, (std::map<double, std::vector<std::string>>{{94000, {"bee3"}}, {99500, {"bee2", "bee3"}}, {137260, {"bee6", "credits"}}}));
}

}  // namespace
