// The platform layer's core as the scenes rely on it: the meshes' extents and
// winding, the scene manager, the sound's clock.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gl4d/core/sound_clock.h"
#include "support/gl.h"

namespace {

// Files of this process's own (tests run side by side in one directory).
std::string file(const char *name) { return "/tmp/hf-" + std::to_string(getpid()) + "-" + name; }
std::string tagged(const char *tag, const char *name) { return tag + file(name); }

// Draws a mesh with a program that writes its normal (and uv) as colours,
// back faces culled, under a "pm" the caller sets.
struct Meshes : hf::GlTest {
  GLuint program = 0;
  void TearDown() override {
    for (const char *f : {"probe.vs", "probe.fs"}) std::filesystem::remove(file(f));
    hf::GlTest::TearDown();
  }
  void SetUp() override {
    hf::GlTest::SetUp();
    std::ofstream(file("probe.vs")) << "#version 330 core\nuniform mat4 pm;\nlayout(location=0) in vec3 p;\n"
                                 "layout(location=1) in vec3 n;\nlayout(location=2) in vec2 t;\nout vec3 vn;\n"
                                 "out vec2 vt;\nvoid main() { gl_Position = pm * vec4(p, 1.0); vn = n; vt = t; }\n";
    std::ofstream(file("probe.fs")) << "#version 330 core\nin vec3 vn;\nin vec2 vt;\nuniform int uv;\nout vec4 c;\n"
                                 "void main() { c = uv == 1 ? vec4(vt, 0.0, 1.0) : vec4(vn * 0.5 + 0.5, 1.0); }\n";
    program = gl4duCreateProgram(tagged("<vs>", "probe.vs").c_str(), tagged("<fs>", "probe.fs").c_str(), nullptr);
  }
};

TEST_F(Meshes, FaceTheirOwnWayCounterClockwiseWithTheirExtents) {
  ASSERT_NE(program, 0u);
  hf::Frame frame(64, 64);
  glEnable(GL_CULL_FACE);
  glUseProgram(program);
  gl4duGenMatrix(GL_FLOAT, "pm");
  struct Case {
    const char *name;
    GLuint mesh;
    float tilt;  // degrees about x that turn the mesh's face towards +z
    hf::Rgba centre;
    int inside, outside;  // pixels from the centre along x
  };
  const Case cases[] = {{"quad", gl4dgGenQuadf(), 0, {128, 128, 255}, 31, 99},
                        {"disk", gl4dgGenDiskf(20), 90, {128, 255, 128}, 14, 18},
                        {"sphere", gl4dgGenSpheref(20, 10), 0, {128, 128, 255}, 14, 18},
                        {"grid", gl4dgGenGrid2df(8, 8), 90, {128, 255, 128}, 14, 18}};
  for (const Case &c : cases) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    gl4duBindMatrix("pm");
    gl4duLoadIdentityf();
    if (c.mesh != cases[0].mesh) gl4duScalef(0.5f, 0.5f, 0.5f);  // radius or half side: 16 pixels
    gl4duRotatef(c.tilt, 1, 0, 0);
    gl4duSendMatrices();
    gl4dgDraw(c.mesh);
    const hf::Picture p = frame.read();
    EXPECT_TRUE(hf::near(p.at(32, 32), c.centre, 8)) << c.name << " faces the viewer";
    EXPECT_NE(p.at(std::min(63, 32 + c.inside), 32).b, 0) << c.name << " reaches " << c.inside;
    if (c.outside < 32) {
      EXPECT_EQ(p.at(32 + c.outside, 32).b, 0) << c.name << " ends before " << c.outside;
    }
  }
  glDisable(GL_CULL_FACE);
  glUniform1i(glGetUniformLocation(program, "uv"), 1);
  gl4duLoadIdentityf();
  gl4duRotatef(90, 1, 0, 0);
  gl4duSendMatrices();
  gl4dgDraw(cases[3].mesh);
  const hf::Picture p = frame.read();  // the grid seen from +y: x right, z down
  EXPECT_TRUE(hf::near(p.at(1, 62), {0, 0, 0}, 12)) << "uv at x = -1, z = -1";
  EXPECT_TRUE(hf::near(p.at(62, 1), {255, 255, 0}, 12)) << "uv at x = 1, z = 1";
}

// The scene manager with recording scenes, under the manual clock.
std::vector<std::string> played;
GLint boundAtInit[5];
void sceneA(int s) {
  played.push_back("A" + std::to_string(s));
  if (s == 0) glGetIntegerv(GL_FRAMEBUFFER_BINDING, boundAtInit), glGetIntegerv(GL_VIEWPORT, boundAtInit + 1);
  if (s == 2) glClearColor(1, 0, 0, 1), glClear(GL_COLOR_BUFFER_BIT);
}
double bStart = -1;  // B's clock's start, as B saw it
void sceneB(int s) { played.push_back("B" + std::to_string(s)), bStart = s == 2 ? gl4dhGetTimes(sceneB).start : bStart; }
void fade(GL4DHscene a, GL4DHscene b, GLuint duration, GLuint elapsed, int s) {
  played.push_back("fade(" + std::string(a == sceneB ? "B" : "?") + std::string(b == sceneA ? "A" : "?") + ", " +
                   std::to_string(duration) + ", " + std::to_string(elapsed) + ", " + std::to_string(s) + ")");
}
void init() { played.push_back("init"); }

TEST_F(Meshes, TheManagerPlaysItsRowsAgainstItsClockThroughStallsAndKeepsTheLastFrame) {
  static GL4DHanime table[] = {{1000, sceneA, nullptr, nullptr}, {500, sceneB, nullptr, nullptr},
                               {2000, sceneB, sceneA, fade},     {500, sceneB, nullptr, nullptr},
                               {1000, sceneA, nullptr, nullptr}, {0, nullptr, nullptr, nullptr}};
  const double origin = hf::freshClock();
  gl4dhInit(table, 32, 16, init);
  EXPECT_EQ(played, (std::vector<std::string>{"init", "A0", "B0", "fade(BA, 2000, 0, 0)"}));
  EXPECT_NE(boundAtInit[0], 0) << "initialised in the manager's framebuffer";
  EXPECT_EQ(boundAtInit[3] * 100 + boundAtInit[4], 3216) << "with its viewport";
  const struct {
    double at;
    const char *row;
  } steps[] = {{0, "A2"}, {999.9, "A2"}, {1000, "B2"}, {1500, "fade(BA, 2000, 0, 2)"},
               {2499.5, "fade(BA, 2000, 999, 2)"}, {2499.5, "fade(BA, 2000, 999, 2)"},  // the clock stalled
               {3499.9, "fade(BA, 2000, 1999, 2)"}, {4200, "A2"},  // then past the fade and the row after it
               {5000, ""}, {9000, ""}};
  for (const auto &s : steps) {
    played.clear();
    hf::clockAt(origin + 5000, s.at / 1000.0);  // the show's clock starts at the first draw
    gl4dhDraw();
    EXPECT_EQ(played, s.row[0] ? std::vector<std::string>{s.row} : std::vector<std::string>{}) << "at " << s.at;
    EXPECT_EQ(bStart, s.at < 1000 ? -1 : 1000) << "B's clock from its first row's start, at " << s.at;
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  GLubyte px[4];
  for (int y : {0, 15, 16, 47, 48, 63}) {  // the 2:1 frame across the square window, on black
    glReadPixels(63, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    const hf::Rgba want = y >= 16 && y < 48 ? hf::Rgba{255, 0, 0, 255} : hf::Rgba{0, 0, 0, 255};
    EXPECT_TRUE(hf::near({px[0], px[1], px[2], px[3]}, want, 0)) << "the last frame, over the window, at row " << y;
  }
  played.clear();
  gl4duClean(GL4DU_ALL);
  EXPECT_EQ(played, (std::vector<std::string>{"A3", "B3", "fade(BA, 2000, 0, 3)"}));
}

TEST_F(Meshes, ASoundStepsFirstRowIsTheFirstThatPlaysItsSceneIncomingOrNot) {
  static GL4DHanime table[] = {{1000, sceneA, nullptr, nullptr}, {500, sceneA, sceneB, fade}, {}};
  gl4dhInit(table, 8, 8, nullptr);
  EXPECT_EQ(gl4dhFirstRowStart(sceneA) * 10000 + gl4dhFirstRowStart(sceneB), 1000);
  EXPECT_EQ(gl4dhFirstRowStart([](int) {}), -1);
}

// The sound's clock, on times given by hand: blocks of 1024 frames at 48 kHz stamped as they are mixed.
TEST(SoundClock, WithoutSoundTheClocksSinceTheFirstFrameAndNothingBeforeTheFirstHeard) {
  gl4d::SoundClock c, early;
  for (double t : {1000.0, 1016.7, 1016.7, 1033.4, 2000.1}) EXPECT_EQ(c.frame(t), t - 1000.0);
  EXPECT_EQ(c.stats().stalls + c.stats().corrections, 0);
  early.block(1024, 48000, 0);
  EXPECT_EQ(early.frame(10), 0) << "heard in 20 ms";
}

TEST(SoundClock, FollowsTheSoundHeardRunsOnThroughAStallThenSlowsToMeetIt) {
  gl4d::SoundClock c;
  const double b = 1024 * 1000.0 / 48000, d = 45, f = 1000.0 / 60;  // a frame every 1/60 s
  c.setDelay(d);
  long mixed = 0;
  auto mix = [&](double at) { EXPECT_DOUBLE_EQ(c.block(1024, 48000, at), mixed++ * b); };
  for (int i = 0; i < 4; ++i) mix(0);  // a burst fills the output, then a block a block's time apart
  for (int i = 1; i <= 20; ++i) mix(i * b);
  double t = 20 * b, shown = c.frame(t), late = 0;  // block n is heard at (n - 3) b + d + late
  auto frames = [&](double until, bool sound, double pace) {  // the show's steps at pace (0: any)
    for (; t + f < until; t += f) {
      while (sound && (mixed - 3) * b + late <= t + f) mix((mixed - 3) * b + late);
      const double show = c.frame(t + f);
      EXPECT_TRUE(pace ? std::fabs(show - shown - pace * f) < 1e-9 : show >= shown) << show - shown << " at " << t;
      shown = show;
    }
    return t + 3 * b - d - late;  // the sound heard
  };
  double heard = frames(2000, true, 1);
  EXPECT_NEAR(shown, heard, 1e-9);
  frames(t + 1000, false, 1);  // the stream stalls: the layer's clock
  EXPECT_NEAR(c.stats().stalledMs, 1000 - gl4d::SoundClock::kStallMs, f);
  late = t - (mixed - 3) * b;  // then it goes on from where it was, a second late
  const double ahead = shown - (t + 3 * b - d - late);
  frames(t + 200, true, 0);  // the last blocks' median moves over
  frames(t + 10 * ahead - 200, true, 0.9);  // at 90 % of the clock's pace until it meets the sound
  heard = frames(t + 1000, true, 0);
  EXPECT_NEAR(shown, heard, 1e-9) << "the sound heard again";
  EXPECT_EQ(c.stats().corrections * 10 + c.stats().stalls, 11);
  EXPECT_NEAR(c.stats().correctedMs, ahead, f * 0.1);
}

}  // namespace
