// The filtered bee scenes: which rig each draws with, the filters each runs
// over its frame (recorded by stand-ins for the filters), bee4's climb, and
// the widening blur of bee6 and bee7. The noise textures are stood in for
// too: the landscape pass calls them while its uniforms hold the values of
// the draw, which the stand-in records.
#include <glm/gtc/matrix_transform.hpp>
#include <string>
#include <vector>

#include "animations.cpp"
#include "world.h"

namespace {

struct Call {
  std::string name;
  std::vector<double> args;
  bool operator==(const Call &) const = default;
};
std::vector<Call> calls;

// What the landscape draw was given.
struct Ground {
  float sy;
  glm::vec2 tt;
  glm::vec4 couleur;
  int hasTex;
};
std::vector<Ground> grounds;

std::ostream &operator<<(std::ostream &os, const Call &c) {
  os << c.name << "(";
  for (size_t i = 0; i < c.args.size(); ++i) os << (i ? ", " : "") << c.args[i];
  return os << ")";
}

}  // namespace

void gl4dfBlur(GLuint in, GLuint out, GLuint radius, GLuint n, GLuint weights, GLboolean flip) {
  calls.push_back({"blur", {double(in), double(out), double(radius), double(n), double(weights), double(flip)}});
}
void gl4dfScattering(GLuint in, GLuint out, GLuint radius, GLuint density, GLuint weights, GLboolean flip) {
  calls.push_back(
      {"scattering", {double(in), double(out), double(radius), double(density), double(weights), double(flip)}});
}
void gl4dfMedian(GLuint in, GLuint out, GLuint n, GLboolean flip) {
  calls.push_back({"median", {double(in), double(out), double(n), double(flip)}});
}
void gl4dfSobel(GLuint in, GLuint out, GLboolean flip) {
  calls.push_back({"sobel", {double(in), double(out), double(flip)}});
}
void gl4dfSobelSetResultMode(GL4DFenum mode) { calls.push_back({"sobelResultMode", {double(mode)}}); }
void gl4dfSobelSetMixMode(GL4DFenum mode) { calls.push_back({"sobelMixMode", {double(mode)}}); }
void gl4dfSobelSetMixFactor(GLfloat factor) { calls.push_back({"sobelMixFactor", {double(factor)}}); }

void initNoiseTextures(void) {}
void freeNoiseTextures(void) {}
void unuseNoiseTextures(int) {}
void useNoiseTextures(GLuint program, int) {
  grounds.push_back({bee_test::uniformFloat(program, "sy"), bee_test::uniformVec2(program, "tt"),
                     bee_test::uniformVec4(program, "couleur"), bee_test::uniformInt(program, "hasTex")});
}

namespace {

using namespace bee_test;

std::vector<Call> backdropFilters(GLuint f) {
  return {{"scattering", {double(f), double(f), 7, 3, 0, 0}},
          {"median", {double(f), double(f), 1, 0}},
          {"blur", {double(f), double(f), 21, 1, 0, 0}}};
}

std::vector<Call> plus(std::vector<Call> a, const std::vector<Call> &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

::testing::AssertionResult sameCalls(const std::vector<Call> &seen, const std::vector<Call> &expected) {
  if (seen == expected) return ::testing::AssertionSuccess();
  auto failure = ::testing::AssertionFailure() << "calls:";
  for (const Call &c : seen) failure << " " << c;
  failure << "\nexpected:";
  for (const Call &c : expected) failure << " " << c;
  return failure;
}

class BeeScenes : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    calls.clear();
    grounds.clear();
  }
  // One draw of scene; the calls and ground it made.
  void draw(void (*scene)(int)) {
    calls.clear();
    grounds.clear();
    bindFrame();
    scene(2);
  }
  GLuint f() const { return frameColour(); }
};

TEST_F(BeeScenes, StatesZeroOneAndThreeDrawNothingAndFilterNothing) {
  for (void (*scene)(int) : {beebegin, bee2, bee3, bee4, bee5, bee6, bee7}) {
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const auto before = framePixels();
    for (int state : {0, 1, 3}) scene(state);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(grounds.empty());
    EXPECT_EQ(framePixels(), before);
  }
}

TEST_F(BeeScenes, Bee2AndBee3DrawTheFlatChaseAndItsEdges) {
  draw(bee2);
  EXPECT_TRUE(sameCalls(calls, plus(backdropFilters(f()), {{"blur", {double(f()), double(f()), 3, 1, 0, 0}},
                                                           {"sobelMixMode", {4}},
                                                           {"sobelResultMode", {1}},
                                                           {"sobel", {double(f()), double(f()), 0}}})));
  ASSERT_EQ(grounds.size(), 1u);
  EXPECT_EQ(grounds[0].sy, 0.0f);
  EXPECT_EQ(grounds[0].hasTex, 1);
  EXPECT_EQ(grounds[0].tt, glm::vec2(_bee[0], _bee[2] + 2.0f)) << "under the eye, 2 behind the bee";
  draw(bee3);
  EXPECT_TRUE(sameCalls(calls, plus(backdropFilters(f()), {{"blur", {double(f()), double(f()), 3, 1, 0, 0}},
                                                           {"sobelMixMode", {4}},
                                                           {"sobelResultMode", {0}},
                                                           {"sobel", {double(f()), double(f()), 0}}})));
}

TEST_F(BeeScenes, InsideACrossFadeTheFiltersTakeTheScenesCapture) {
  bindFrame();
  fondu(nullptr, nullptr, 1000, 0, 0);
  draw([](int state) { fondu(noir, bee5, 1000, 500, state); });
  ASSERT_EQ(calls.size(), 3u);
  const GLuint capture = static_cast<GLuint>(calls[0].args[0]);
  EXPECT_NE(capture, f());
  EXPECT_TRUE(sameCalls(calls, backdropFilters(capture)));
  EXPECT_EQ(frameTexture(), f()) << "the frame goes back on the framebuffer";
  fondu(nullptr, nullptr, 1000, 0, 3);
}

// bee5 to bee7 watch from (0, 1.5, 4) behind the bee over the brown relief.
void watchesFromHighOverTheBrownRelief() {
  ASSERT_EQ(grounds.size(), 1u);
  EXPECT_EQ(grounds[0].sy, 2.0011f);
  EXPECT_EQ(grounds[0].hasTex, 0);
  EXPECT_EQ(grounds[0].couleur, glm::vec4(0.14f, 0.1f, 0.05f, 1.0f));
  EXPECT_EQ(grounds[0].tt, glm::vec2(_bee[0], _bee[2] + 4.0f));
  // The bee may be hundreds of units out by now: float eyes.
  EXPECT_TRUE(nearVec(glm::vec4(eyeOf(matrixData("view")), 1), {_bee[0], _bee[1] + 1.5f, _bee[2] + 4.0f, 1}, 1e-3f));
}

TEST_F(BeeScenes, Bee5DrawsTheHighChaseUnfiltered) {
  draw(bee5);
  watchesFromHighOverTheBrownRelief();
  EXPECT_TRUE(sameCalls(calls, backdropFilters(f()))) << "only the backdrop's own filters";
}

// bee6 and bee7 scatter, then blur 2 (bee6) or 4 (bee7) texels wider a
// second from 10, on clocks of their own (each started here, in the one
// test that draws the scene).
void blursAsItsClockRuns(void (*scene)(int), int radiusAt2_6) {
  const double start = freshSecond();
  const auto radiusNow = [&](double t, int expected) {
    gl4dSetElapsedTime(start + t * 1000.0);
    calls.clear();
    grounds.clear();
    bindFrame();
    scene(2);
    watchesFromHighOverTheBrownRelief();
    const std::vector<Call> own = {{"scattering", {double(frameColour()), double(frameColour()), 13, 0, 0, 0}},
                                   {"blur", {double(frameColour()), double(frameColour()), double(expected), 1, 0, 0}}};
    EXPECT_TRUE(sameCalls(calls, plus(backdropFilters(frameColour()), own))) << "at " << t << " s";
  };
  radiusNow(0.0, 10);
  radiusNow(2.6, radiusAt2_6);
}

TEST_F(BeeScenes, Bee6BlursWiderByTwoTexelsASecond) { blursAsItsClockRuns(bee6, 15); }
TEST_F(BeeScenes, Bee7BlursWiderByFourTexelsASecond) { blursAsItsClockRuns(bee7, 20); }

TEST_F(BeeScenes, Bee4LiftsTheBeePullsTheCameraBackAndRaisesTheRelief) {
  const double start = freshSecond();
  _bee[0] = 0.0f;
  _bee[1] = 0.1f;
  _bee[2] = -100.0f;
  const auto at = [&](double t) {
    gl4dSetElapsedTime(start + t * 1000.0);
    draw(bee4);
    const glm::vec3 eye = eyeOf(matrixData("view"));
    return glm::vec3(eye.x - _bee[0], eye.y - 0.1f, eye.z - _bee[2]);  // from the bee, height above its base
  };
  // t = 0: lift s1 = 0.0062, climb s3 = 0.0087, the eye 2.005 behind.
  glm::vec3 eye = at(0.0);
  EXPECT_NEAR(_bee[1] - 0.1f, 0.0062f, 1e-4f);
  EXPECT_NEAR(eye.y - 0.5f, 0.0087f, 1e-4f);
  EXPECT_NEAR(eye.z, 2.005f, 1e-3f);
  EXPECT_EQ(eye.x, 0.0f);
  ASSERT_EQ(grounds.size(), 1u);
  EXPECT_EQ(grounds[0].sy, 0.0f);
  EXPECT_TRUE(sameCalls(calls, plus(backdropFilters(f()), {{"sobelResultMode", {3}},
                                                           {"sobelMixFactor", {0.9f}},
                                                           {"sobelMixMode", {5}},
                                                           {"sobel", {double(f()), double(f()), 0}}})));
  at(1.9);
  EXPECT_NEAR(_bee[1] - 0.1f, 1.25f, 1e-4f) << "half the lift at 1.9 s";
  // Half a second on: the rig flies the base 2.475 and the surge S = s1 + s3
  // carries the bee further ahead.
  const auto surge = [](double t) {
    return 2.5 / (1.0 + std::exp(-6.0 * (t - 1.9) / 1.9)) + 3.5 / (1.0 + std::exp(-6.0 * (t - 3.0) / 3.0));
  };
  const float z19 = _bee[2];
  at(2.4);
  EXPECT_NEAR(_bee[2] - z19, -2.475 - (surge(2.4) - surge(1.9)), 1e-3);
  at(6.0);
  EXPECT_NEAR(grounds.at(0).sy, 0.0f, 1e-3f) << "no relief until 6 s";
  at(7.0);
  EXPECT_NEAR(grounds.at(0).sy, 1.0f, 1e-3f);
  eye = at(9.0);
  EXPECT_EQ(grounds.at(0).sy, 2.0f) << "capped";
  EXPECT_EQ(grounds.at(0).hasTex, 1) << "still blue and tiled";
  const float z9 = _bee[2];
  eye = at(20.0);
  EXPECT_TRUE(nearVec(glm::vec4(eye, 0), {0.0f, 4.0f, 4.0f, 0.0f}, 1e-3f)) << "1.5 over and 4 behind the bee";
  EXPECT_NEAR(_bee[1], 2.6f, 1e-4f);
  EXPECT_NEAR(_bee[2] - z9, -4.95 * 11.0 - (6.0 - surge(9.0)), 1e-2);
}

}  // namespace
