// The scene manager under the manual clock: initialisation order, row
// boundaries, what transitions receive, the audio update from another
// thread, the framebuffer each draw gets, presentation and clean-up.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "gl4d/gl4d.h"
#include "support/gl_test.h"

namespace {

constexpr GLuint kW = 32, kH = 16;

struct Seen {
  std::string what;
  GLint framebuffer = -1;
  GLint viewport[4] = {};
};
std::vector<Seen> calls;
std::atomic<int> audioUpdatesA{0}, audioUpdatesMix{0};
bool aUnbindsFramebuffer = false;

void record(const std::string &what) {
  Seen s{what};
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &s.framebuffer);
  glGetIntegerv(GL_VIEWPORT, s.viewport);
  calls.push_back(s);
}

void fill(float r, float g, float b) {
  glClearColor(r, g, b, 1);
  glClear(GL_COLOR_BUFFER_BIT);
}

void sceneA(int state) {
  if (state == 1) {
    ++audioUpdatesA;
    return;
  }
  record("A" + std::to_string(state));
  if (state == 2) {
    fill(1, 0, 0);
    if (aUnbindsFramebuffer) glBindFramebuffer(GL_FRAMEBUFFER, 0);
  }
}

void sceneB(int state) {
  if (state == 1) return;
  record("B" + std::to_string(state));
  if (state == 2) fill(0, 1, 0);
}

void mix(GL4DHscene first, GL4DHscene second, GLuint duration, GLuint elapsed, int state) {
  if (state == 1) {
    ++audioUpdatesMix;
    return;
  }
  record("mix" + std::to_string(state) + ":" + std::to_string(elapsed) + "/" + std::to_string(duration));
  if (state == 2) (2 * elapsed < duration ? first : second)(2);
}

void init() { record("init"); }

GL4DHanime table[] = {
    {1000, sceneA, nullptr, nullptr},
    {500, sceneA, sceneB, mix},
    {300, sceneB, nullptr, nullptr},
    {0, nullptr, nullptr, nullptr},
};

class SceneManager : public hf::GlTest {
 protected:
  void SetUp() override {
    hf::GlTest::SetUp();
    gl4dSetManualClock(GL_TRUE);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, 64, 64);
    gl4dhInit(table, kW, kH, init);
    calls.clear();
    audioUpdatesA = audioUpdatesMix = 0;
    aUnbindsFramebuffer = false;
    start_ = std::ceil(gl4dGetElapsedTime()) + 1000.0;  // whole ms: exact boundaries
  }
  void TearDown() override {
    gl4duClean(GL4DU_SCENES);
    hf::GlTest::TearDown();
  }
  // One frame at ms into the show (the first call starts the show).
  void frameAt(double ms) {
    gl4dSetElapsedTime(start_ + ms);
    calls.clear();
    gl4dhDraw();
  }
  std::vector<std::string> names() const {
    std::vector<std::string> n;
    for (const Seen &s : calls) n.push_back(s.what);
    return n;
  }
  double start_ = 0;
};

using Names = std::vector<std::string>;

TEST_F(SceneManager, InitRunsTheInitialiserThenStateZeroOnceToEachFunctionInTheManagersFramebuffer) {
  calls.clear();
  glViewport(1, 2, 40, 30);
  gl4dhInit(table, kW, kH, init);  // again, as the fixture did: the old table is freed first
  Names expected = {"A3", "B3", "mix3:0/500", "init", "A0", "B0", "mix0:0/500"};
  EXPECT_EQ(names(), expected);
  for (const Seen &s : calls) {
    if (s.what.find('3') != std::string::npos) continue;
    EXPECT_EQ(static_cast<GLuint>(s.framebuffer), gl4dhGetFramebuffer()) << s.what;
    EXPECT_EQ(s.viewport[2], static_cast<GLint>(kW)) << s.what;
    EXPECT_EQ(s.viewport[3], static_cast<GLint>(kH)) << s.what;
  }
  GLint fb = -1, vp[4];
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fb);
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(fb, 0);
  EXPECT_EQ(vp[0], 1);
  EXPECT_EQ(vp[2], 40);
}

TEST_F(SceneManager, RowsFollowOneAnotherFromTheFirstDraw) {
  frameAt(0);
  EXPECT_EQ(names(), Names{"A2"});
  EXPECT_EQ(gl4dhGetCurrentRow(), 0);
  frameAt(999.9);
  EXPECT_EQ(names(), Names{"A2"});
  frameAt(1000);
  EXPECT_EQ(names(), (Names{"mix2:0/500", "A2"}));
  EXPECT_EQ(gl4dhGetCurrentRow(), 1);
  frameAt(1499);
  EXPECT_EQ(names(), (Names{"mix2:499/500", "B2"}));
  frameAt(1500);
  EXPECT_EQ(names(), Names{"B2"});
  frameAt(1800);
  EXPECT_TRUE(names().empty()) << "nothing plays after the last row";
  EXPECT_EQ(gl4dhGetCurrentRow(), -1);
}

TEST_F(SceneManager, TheShowClockStartsAtTheFirstDrawNotAtInit) {
  gl4dSetElapsedTime(start_ + 5000);  // a long start-up
  start_ += 5000;
  frameAt(0);
  EXPECT_EQ(names(), Names{"A2"});
}

TEST_F(SceneManager, ATransitionNeverReceivesMoreThanItsDuration) {
  frameAt(0);
  for (double t = 995; t < 1505; t += 0.37) {
    frameAt(t);
    for (const Seen &s : calls) {
      if (s.what.rfind("mix2:", 0) != 0) continue;
      const int elapsed = std::stoi(s.what.substr(5));
      EXPECT_LE(elapsed, 500) << "at " << t;
      EXPECT_GE(elapsed, 0) << "at " << t;
    }
  }
}

TEST_F(SceneManager, EveryDrawGetsTheManagersFramebufferEvenAfterASceneBoundAnother) {
  aUnbindsFramebuffer = true;
  frameAt(0);
  frameAt(16);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(static_cast<GLuint>(calls[0].framebuffer), gl4dhGetFramebuffer());
  EXPECT_EQ(calls[0].viewport[2], static_cast<GLint>(kW));
  EXPECT_EQ(calls[0].viewport[3], static_cast<GLint>(kH));
  // Colour attachment 0 is a 2-D texture of the frame size, with a depth buffer beside it.
  glBindFramebuffer(GL_FRAMEBUFFER, gl4dhGetFramebuffer());
  GLint type = 0, name = 0, depthType = 0;
  glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
  glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &name);
  glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &depthType);
  EXPECT_EQ(type, GL_TEXTURE);
  EXPECT_EQ(static_cast<GLuint>(name), gl4dhGetColorTexture());
  EXPECT_NE(depthType, GL_NONE);
  int w = 0, h = 0;
  hf::readTexture(gl4dhGetColorTexture(), GL_TEXTURE_2D, &w, &h);
  EXPECT_EQ(w, static_cast<int>(kW));
  EXPECT_EQ(h, static_cast<int>(kH));
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

TEST_F(SceneManager, TheFrameIsPresentedOverTheWholeDrawableAndStaysAfterTheEnd) {
  frameAt(0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  EXPECT_TRUE(hf::probeRect(0, 0, 64, 64, {255, 0, 0, 255}));
  frameAt(1600);
  frameAt(5000);  // past the end
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  EXPECT_TRUE(hf::probeRect(0, 0, 64, 64, {0, 255, 0, 255})) << "the last frame stays on screen";
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(vp[2], 64) << "the caller's viewport comes back";
}

TEST_F(SceneManager, AudioUpdatesReachTheCurrentRowFromAnotherThread) {
  auto updateFromAThread = [] {
    std::thread audio([] {
      for (int i = 0; i < 100; ++i) gl4dhUpdateWithAudio();
    });
    audio.join();
  };
  updateFromAThread();
  EXPECT_EQ(audioUpdatesA.load(), 0) << "no row is current before the show";
  frameAt(0);
  updateFromAThread();
  EXPECT_EQ(audioUpdatesA.load(), 100);
  frameAt(1200);
  updateFromAThread();
  EXPECT_EQ(audioUpdatesMix.load(), 100) << "a transition row passes state 1 to its transition";
  EXPECT_EQ(audioUpdatesA.load(), 100);
  frameAt(9000);
  updateFromAThread();
  EXPECT_EQ(audioUpdatesMix.load() + audioUpdatesA.load(), 200) << "nothing after the end";
}

TEST_F(SceneManager, CleanSendsStateThreeOnceToEachFunction) {
  frameAt(0);
  calls.clear();
  gl4duClean(GL4DU_SCENES);
  EXPECT_EQ(names(), (Names{"A3", "B3", "mix3:0/500"}));
  calls.clear();
  gl4duClean(GL4DU_SCENES);
  gl4dhDraw();
  EXPECT_TRUE(names().empty());
  EXPECT_EQ(gl4dhGetFramebuffer(), 0u);
}

}  // namespace
