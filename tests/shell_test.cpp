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

TEST(Main, StartsUpInItsOrderAndReturnsZeroWhenTheLoopEnds) {
  const std::vector<std::string> expected = {"muExtrFile1()", "muExtrFile2()",
                                             "window(2, --any, honeyfold, 536805376, 536805376, 1920, 1080, 4133)",
                                             "swapInterval(1)", "showCursor(0)", "clearColor(0.2, 0.2, 0.2, 0)",
                                             "gl4dhInit(_animations, 1920, 1080, animationsInit)",
                                             "viewport(0, 0, 1920, 1080)", "atexit(quit)", "resizeFunc(resize)",
                                             "keyDownFunc(keydown)", "displayFunc(gl4dhDraw)",
                                             "ahInitAudio(audio/velvora.mod)", "mainLoop()", "returned 0"};
  EXPECT_EQ(run(GL_TRUE), expected);
}

TEST(Main, WithoutAWindowReturnsOneBeforeAnyAudioOrExitHandler) {
  const std::vector<std::string> expected = {
      "muExtrFile1()", "muExtrFile2()", "window(2, --any, honeyfold, 536805376, 536805376, 1920, 1080, 4133)",
      "returned 1"};
  EXPECT_EQ(run(GL_FALSE), expected);
}

TEST(Main, QuitFadesTheSoundShowsTheCursorAndCleansUp) {
  calls.clear();
  quit();
  EXPECT_EQ(calls, (std::vector<std::string>{"ahClean(1000)", "showCursor(1)", "gl4duClean(4294967295)"}));
}

TEST(Main, EscapeAndQExitWithZeroOtherKeysDoNothing) {
  for (int key : {27, 113, 0, 13, 32, 81, 97, 112, 114, 1073741882}) {
    calls.clear();
    keydown(key);
    EXPECT_EQ(calls, key == 27 || key == 113 ? std::vector<std::string>{"exit(0)"} : std::vector<std::string>{})
        << "key " << key;
  }
}

TEST(Main, ResizeKeepsTheSizeAndCoversTheDrawable) {
  calls.clear();
  resize(800, 600);
  EXPECT_EQ(calls, std::vector<std::string>{"viewport(0, 0, 800, 600)"});
  EXPECT_EQ(_dim[0], 800.0f);
  EXPECT_EQ(_dim[1], 600.0f);
}

// The show as it is specified, row by row: duration, scenes, transition.
struct Row {
  GLuint duration;
  GL4DHscene first, second;
};
const Row kShow[] = {{1000, noir, nullptr},        {9000, noir, huit},          {11040, huit, nullptr},
                     {4500, rouge, nullptr},       {200, rouge, vert},          {20, vert, nullptr},
                     {16000, beep, nullptr},       {8000, beep, spi},           {10000, spi, nullptr},
                     {2000, spi, beebegin},        {27000, beebegin, nullptr},  {500, beebegin, bee2},
                     {3000, bee2, nullptr},        {1000, bee2, bee3},          {3000, bee3, nullptr},
                     {1000, bee3, bee2},           {2000, bee2, nullptr},       {1000, bee2, bee3},
                     {2500, bee3, nullptr},        {500, bee3, bee4},           {12000, bee4, nullptr},
                     {3000, bee4, bee5},           {7000, bee5, nullptr},       {3000, bee5, bee6},
                     {2000, bee6, nullptr},        {3000, bee6, bee7},          {4000, bee7, nullptr},
                     {5000, bee6, credits},        {6200, credits, nullptr},    {0, nullptr, nullptr}};

TEST(Timeline, IsTheShowRowByRow) {
  ASSERT_EQ(std::size(_animations), std::size(kShow));
  for (size_t i = 0; i < std::size(kShow); ++i) {
    const GL4DHanime &row = _animations[i];
    EXPECT_EQ(row.duration, kShow[i].duration) << "row " << i;
    EXPECT_EQ(row.first, kShow[i].first) << "row " << i;
    EXPECT_EQ(row.second, kShow[i].second) << "row " << i;
    EXPECT_EQ(row.mix, kShow[i].second ? fondu : nullptr) << "row " << i;
  }
}

}  // namespace
