// fondu between two recording scenes: what each scene draws into, the blend
// by progress, the overrun check, and the GL state it gives back.
#include <array>
#include <vector>

#include "animations.h"
#include "audio_double.h"
#include "support/gl_test.h"

namespace {

using hf::Rgba;

constexpr int W = 32, H = 16;

struct SceneLog {
  float colour[4];
  std::vector<int> states;
  std::vector<GLuint> attachments;
  std::vector<std::array<GLint, 4>> viewports;
};
SceneLog logA, logB;

void record(SceneLog &log, int state) {
  log.states.push_back(state);
  if (state == 0 || state == 1 || state == 3) return;
  GLint id = 0;
  glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME,
                                        &id);
  log.attachments.push_back(static_cast<GLuint>(id));
  std::array<GLint, 4> vp;
  glGetIntegerv(GL_VIEWPORT, vp.data());
  log.viewports.push_back(vp);
  glClearColor(log.colour[0], log.colour[1], log.colour[2], log.colour[3]);
  glClear(GL_COLOR_BUFFER_BIT);
}
void sceneA(int state) { record(logA, state); }
void sceneB(int state) { record(logB, state); }

const Rgba colourA{204, 51, 0, 255}, colourB{0, 102, 255, 255};

// The scene manager's side: a frame texture with depth bound, the viewport
// covering it, the shared resources made, then the transition initialised.
class Crossfade : public hf::GlTest {
 protected:
  void SetUp() override {
    hf::GlTest::SetUp();
    logA = {{0.8f, 0.2f, 0.0f, 1.0f}, {}, {}, {}};
    logB = {{0.0f, 0.4f, 1.0f, 1.0f}, {}, {}, {}};
    frame = hf::makeTexture(W, H);
    fbo = hf::makeFramebuffer(frame, W, H, true, &depth);
    glViewport(0, 0, W, H);
    animationsInit();
    fondu(sceneA, sceneB, 1000, 0, 0);
  }
  void TearDown() override {
    fondu(sceneA, sceneB, 1000, 0, 3);
    glUseProgram(0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fbo);
    glDeleteRenderbuffers(1, &depth);
    glDeleteTextures(1, &frame);
    glViewport(0, 0, 64, 64);
    hf::GlTest::TearDown();
  }
  GLuint frame = 0, fbo = 0, depth = 0;
};

GLfloat currentDt() {
  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  GLfloat dt = -1.0f;
  glGetUniformfv(static_cast<GLuint>(program), glGetUniformLocation(static_cast<GLuint>(program), "dt"), &dt);
  return dt;
}

TEST_F(Crossfade, InitAndFreeLeaveTheScenesToTheManager) {
  fondu(sceneA, sceneB, 1000, 0, 3);
  fondu(sceneA, sceneB, 1000, 0, 0);
  EXPECT_TRUE(logA.states.empty());
  EXPECT_TRUE(logB.states.empty());
}

TEST_F(Crossfade, BlendsByElapsedOverDuration) {
  fondu(sceneA, sceneB, 1000, 0, 2);
  EXPECT_TRUE(hf::probeRect(0, 0, W, H, colourA, 0));
  EXPECT_EQ(currentDt(), 0.0f);

  fondu(sceneA, sceneB, 1000, 1000, 2);
  EXPECT_TRUE(hf::probeRect(0, 0, W, H, colourB, 0));
  EXPECT_EQ(currentDt(), 1.0f);

  fondu(sceneA, sceneB, 1000, 500, 2);
  EXPECT_TRUE(hf::probeRect(0, 0, W, H, Rgba{102, 77, 128, 255}, 2));
  EXPECT_EQ(currentDt(), 0.5f);

  fondu(sceneA, sceneB, 1000, 740, 2);
  EXPECT_EQ(currentDt(), 0.74f);
}

TEST_F(Crossfade, ElapsedEqualToDurationIsNoOverrun) {
  fondu(sceneA, sceneB, 9000, 9000, 2);
  EXPECT_EQ(currentDt(), 1.0f);
  EXPECT_TRUE(hf::probeRect(0, 0, W, H, colourB, 0));
}

TEST_F(Crossfade, OverrunReportsBothTimesAndTheRatioThenExitsZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(fondu(sceneA, sceneB, 1000, 1001, 2), ::testing::ExitedWithCode(0),
              ::testing::Eq("1001-1000 -- 1.001000\n"));
}

TEST_F(Crossfade, DrawsEachSceneIntoItsOwnCaptureAtTheInitialSize) {
  glViewport(3, 2, 10, 7);
  fondu(sceneA, sceneB, 1000, 500, 7);
  ASSERT_EQ(logA.states, std::vector<int>{7}) << "the scenes get the state received";
  ASSERT_EQ(logB.states, std::vector<int>{7});
  const GLuint capA = logA.attachments[0], capB = logB.attachments[0];
  EXPECT_NE(capA, 0u);
  EXPECT_NE(capA, frame);
  EXPECT_NE(capB, frame);
  EXPECT_NE(capA, capB);
  EXPECT_EQ(logA.viewports[0], (std::array<GLint, 4>{0, 0, W, H}));
  EXPECT_EQ(logB.viewports[0], (std::array<GLint, 4>{0, 0, W, H}));
  for (GLuint cap : {capA, capB}) {
    glBindTexture(GL_TEXTURE_2D, cap);
    GLint w = 0, h = 0, filter = 0, wrapS = 0, wrapT = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    EXPECT_EQ(w, W);
    EXPECT_EQ(h, H);
    EXPECT_EQ(filter, GL_LINEAR);
    EXPECT_EQ(wrapS, GL_CLAMP_TO_EDGE);
    EXPECT_EQ(wrapT, GL_CLAMP_TO_EDGE);
  }
  glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(Crossfade, GivesBackTheFrameAttachmentAndTheViewport) {
  glViewport(3, 2, 10, 7);
  fondu(sceneA, sceneB, 1000, 250, 2);
  GLint attached = 0, vp[4];
  glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME,
                                        &attached);
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(static_cast<GLuint>(attached), frame);
  EXPECT_EQ((std::array<GLint, 4>{vp[0], vp[1], vp[2], vp[3]}), (std::array<GLint, 4>{3, 2, 10, 7}));
  // The blend covered only the caller's viewport.
  EXPECT_TRUE(hf::probe(4, 3, Rgba{153, 64, 64, 255}, 2));
}

TEST_F(Crossfade, LeavesDepthOffUnitZeroActiveTexturesUnboundAndPmAsItWas) {
  GLfloat pmBefore[16], pmAfter[16];
  gl4duGetMatrixData("pm", pmBefore);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  fondu(sceneA, sceneB, 1000, 500, 2);
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "blending stays as the scenes left it";
  GLint active = 0, bound0 = -1, bound1 = -1;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  glActiveTexture(GL_TEXTURE1);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound1);
  glActiveTexture(GL_TEXTURE0);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound0);
  EXPECT_EQ(active, GL_TEXTURE0);
  EXPECT_EQ(bound0, 0);
  EXPECT_EQ(bound1, 0);
  EXPECT_EQ(currentDt(), 0.5f) << "the blend program stays current";
  gl4duGetMatrixData("pm", pmAfter);
  EXPECT_TRUE(std::equal(pmBefore, pmBefore + 16, pmAfter));
  glDisable(GL_BLEND);
}

TEST_F(Crossfade, TranslucentCapturesDoNotLetThePreviousFrameThrough) {
  glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  logA.colour[3] = logB.colour[3] = 0.5f;
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  fondu(sceneA, sceneB, 1000, 0, 2);
  glDisable(GL_BLEND);
  EXPECT_TRUE(hf::probeRect(0, 0, W, H, colourA, 0));
}

TEST_F(Crossfade, NullSceneKeepsItsLastCapture) {
  fondu(sceneA, sceneB, 1000, 500, 2);
  logA.colour[0] = 0.0f;
  logA.colour[1] = 1.0f;  // A turns green
  logB.states.clear();

  fondu(sceneA, nullptr, 1000, 1000, 2);
  EXPECT_TRUE(logB.states.empty());
  EXPECT_TRUE(hf::probeRect(0, 0, W, H, colourB, 0)) << "tex1 still holds B's last picture";
  fondu(sceneA, nullptr, 1000, 0, 2);
  EXPECT_TRUE(hf::probeRect(0, 0, W, H, Rgba{0, 255, 0, 255}, 0)) << "A was drawn afresh";

  logA.states.clear();
  fondu(nullptr, sceneB, 1000, 0, 2);
  EXPECT_TRUE(logA.states.empty());
  EXPECT_TRUE(hf::probeRect(0, 0, W, H, Rgba{0, 255, 0, 255}, 0)) << "tex0 still holds A's last picture";
}

TEST_F(Crossfade, AudioUpdateOnlyPassesOnToTheScenesThere) {
  glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  fondu(sceneA, sceneB, 1000, 300, 1);
  EXPECT_EQ(logA.states, std::vector<int>{1});
  EXPECT_EQ(logB.states, std::vector<int>{1});
  fondu(sceneA, nullptr, 1000, 300, 1);
  fondu(nullptr, nullptr, 1000, 300, 1);
  EXPECT_EQ(logA.states, (std::vector<int>{1, 1}));
  EXPECT_EQ(logB.states, std::vector<int>{1});
  EXPECT_TRUE(hf::probeRect(0, 0, W, H, Rgba{51, 102, 153, 255}, 0));
}

TEST_F(Crossfade, FreeTwiceDeletesTheCapturesOnce) {
  fondu(sceneA, sceneB, 1000, 0, 2);
  const GLuint captures[] = {logA.attachments[0], logB.attachments[0]};
  fondu(sceneA, sceneB, 1000, 0, 3);
  for (GLuint c : captures) EXPECT_FALSE(glIsTexture(c)) << "capture " << c;
  // Textures made now may reuse the freed names: a second free must leave them.
  GLuint later[4];
  glGenTextures(4, later);
  for (GLuint t : later) {
    glBindTexture(GL_TEXTURE_2D, t);
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  fondu(sceneA, sceneB, 1000, 0, 3);
  for (GLuint t : later) EXPECT_TRUE(glIsTexture(t)) << "texture " << t;
  glDeleteTextures(4, later);
  // Initialised again, it draws as before.
  fondu(sceneA, sceneB, 1000, 0, 0);
  fondu(sceneA, sceneB, 1000, 0, 2);
  EXPECT_TRUE(hf::probeRect(0, 0, W, H, colourA, 0));
}

}  // namespace
