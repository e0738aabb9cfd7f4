// The platform layer's core as the scenes rely on it: named matrices, the
// meshes' extents and winding, programs from files, the scene manager.
#include <glm/glm.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/gl.h"

namespace {

glm::mat4 matrix(const char *name) {
  glm::mat4 m(NAN);
  gl4duGetMatrixData(name, glm::value_ptr(m));
  return m;
}

glm::vec3 apply(const char *name, glm::vec3 p) {
  const glm::vec4 q = matrix(name) * glm::vec4(p, 1.0f);
  return glm::vec3(q) / q.w;
}

void expectNear(glm::vec3 seen, glm::vec3 expected, const char *what) {
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR(seen[i], expected[i], 1e-4) << what << ": (" << seen.x << ", " << seen.y << ", " << seen.z << ")";
}

TEST(Matrices, TransformsMultiplyOnTheRightWithAnglesInDegrees) {
  gl4duGenMatrix(GL_FLOAT, "m");
  gl4duGenMatrix(GL_FLOAT, "other");
  gl4duBindMatrix("m");
  gl4duLoadIdentityf();
  gl4duTranslatef(1, 2, 3);
  gl4duPushMatrix();
  gl4duRotatef(90, 0, 0, 1);
  gl4duScalef(2, 1, 1);
  expectNear(apply("m", {1, 0, 0}), {1, 4, 3}, "scale, then a quarter turn, then the translation");
  gl4duPopMatrix();
  expectNear(apply("m", {1, 0, 0}), {2, 2, 3}, "popped back to the translation");
  expectNear(apply("other", {1, 0, 0}), {1, 0, 0}, "another name, untouched");
  gl4duLoadIdentityf();
  gl4duOrthof(-1, 1, -0.5625f, 0.5625f, -1, 10);
  expectNear(apply("m", {1, 0.5625f, 1}), {1, 1, -1}, "orthographic corner");
  gl4duLoadIdentityf();
  gl4duFrustumf(-0.005f, 0.005f, -0.0028125f, 0.0028125f, 0.01f, 1000);
  expectNear(apply("m", {0.005f, 0.0028125f, -0.01f}), {1, 1, -1}, "frustum corner on the near plane");
  expectNear(apply("m", {0, 0, -1000}), {0, 0, 1}, "far plane");
  gl4duLoadIdentityf();
  gl4duLookAtf(3, 0, 5, 3, 0, 0, 0, 1, 0);
  expectNear(apply("m", {3, 1, 0}), {0, 1, -5}, "looked at from 5 away");
}

// Draws a mesh with a program that writes its normal (and uv) as colours,
// back faces culled, under a "pm" the caller sets.
// Files of this process's own (tests run side by side in one directory).
std::string file(const char *name) { return "/tmp/hf-" + std::to_string(getpid()) + "-" + name; }
std::string tagged(const char *tag, const char *name) { return tag + file(name); }

struct Meshes : hf::GlTest {
  GLuint program = 0;
  void TearDown() override {
    for (const char *f : {"probe.vs", "probe.fs", "broken.fs"}) std::filesystem::remove(file(f));
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

TEST_F(Meshes, AProgramThatCannotBeBuiltIsZeroWithItsFileNamed) {
  std::ofstream(file("broken.fs")) << "#version 330 core\nvoid main() { this is not glsl; }\n";
  testing::internal::CaptureStderr();
  EXPECT_EQ(gl4duCreateProgram(tagged("<vs>", "probe.vs").c_str(), tagged("<fs>", "broken.fs").c_str(), nullptr), 0u);
  EXPECT_EQ(gl4duCreateProgram(tagged("<vs>", "probe.vs").c_str(), tagged("<fs>", "missing.fs").c_str(), nullptr), 0u);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("broken.fs"), std::string::npos) << err;
  EXPECT_NE(err.find("error"), std::string::npos) << "the driver's log: " << err;
  EXPECT_NE(err.find("missing.fs"), std::string::npos) << err;
}

// The scene manager with recording scenes, under the manual clock.
std::vector<std::string> played;
GLint boundAtInit[5];
void sceneA(int s) {
  played.push_back("A" + std::to_string(s));
  if (s == 0) glGetIntegerv(GL_FRAMEBUFFER_BINDING, boundAtInit), glGetIntegerv(GL_VIEWPORT, boundAtInit + 1);
  if (s == 2) glClearColor(1, 0, 0, 1), glClear(GL_COLOR_BUFFER_BIT);
}
void sceneB(int s) { played.push_back("B" + std::to_string(s)); }
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

}  // namespace
