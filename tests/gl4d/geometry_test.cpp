// Meshes: extents, outward normals and counter-clockwise front faces, seen
// through a normal-shading program with back faces culled.
#include <gtest/gtest.h>

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "gl4d/gl4d.h"
#include "support/gl_test.h"

namespace {

constexpr int kSize = 32;
const hf::Rgba kBackground{0, 0, 0, 0};
const hf::Rgba kFacingViewer{128, 128, 255, 255};  // normal (0, 0, 1)

class Geometry : public hf::GlTest {
 protected:
  void SetUp() override {
    hf::GlTest::SetUp();
    tex_ = hf::makeTexture(kSize, kSize);
    fbo_ = hf::makeFramebuffer(tex_, kSize, kSize);
    static const char *vs =
        "#version 330 core\nuniform mat4 m;\n"
        "layout(location = 0) in vec3 p; layout(location = 1) in vec3 n; layout(location = 2) in vec2 uv;\n"
        "out vec3 vn; out vec2 vuv;\n"
        "void main() { gl_Position = m * vec4(p, 1.0); vn = mat3(m) * n; vuv = uv; }\n";
    static const char *fs =
        "#version 330 core\nin vec3 vn; in vec2 vuv; uniform int showUv; out vec4 c;\n"
        "void main() { c = showUv == 1 ? vec4(vuv, 0.0, 1.0) : vec4(0.5 + 0.5 * normalize(vn), 1.0); }\n";
    GLuint s[2] = {glCreateShader(GL_VERTEX_SHADER), glCreateShader(GL_FRAGMENT_SHADER)};
    glShaderSource(s[0], 1, &vs, nullptr);
    glShaderSource(s[1], 1, &fs, nullptr);
    program_ = glCreateProgram();
    for (GLuint x : s) {
      glCompileShader(x);
      glAttachShader(program_, x);
      glDeleteShader(x);
    }
    glLinkProgram(program_);
  }
  void TearDown() override {
    glDisable(GL_CULL_FACE);
    glUseProgram(0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteProgram(program_);
    glDeleteFramebuffers(1, &fbo_);
    glDeleteTextures(1, &tex_);
    hf::GlTest::TearDown();
  }
  // Draws mesh under m with back faces culled, framebuffer left bound.
  void draw(GLuint mesh, const glm::mat4 &m, bool showUv = false) {
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glViewport(0, 0, kSize, kSize);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glUseProgram(program_);
    glUniformMatrix4fv(glGetUniformLocation(program_, "m"), 1, GL_FALSE, glm::value_ptr(m));
    glUniform1i(glGetUniformLocation(program_, "showUv"), showUv ? 1 : 0);
    gl4dgDraw(mesh);
  }
  static glm::mat4 rotX(float deg) { return glm::rotate(glm::mat4(1), glm::radians(deg), glm::vec3(1, 0, 0)); }
  GLuint tex_ = 0, fbo_ = 0, program_ = 0;
};

TEST_F(Geometry, QuadCoversTheViewportFacingPlusZ) {
  const GLuint quad = gl4dgGenQuadf();
  draw(quad, glm::mat4(1));
  EXPECT_TRUE(hf::probeRect(0, 0, kSize, kSize, kFacingViewer));
  draw(quad, glm::rotate(glm::mat4(1), glm::radians(180.0f), glm::vec3(0, 1, 0)));
  EXPECT_TRUE(hf::probeRect(0, 0, kSize, kSize, kBackground)) << "a turned quad must be culled";
  // uv runs 0..1 with x and y.
  draw(quad, glm::mat4(1), true);
  EXPECT_TRUE(hf::probe(0, 0, {4, 4, 0, 255}, 6));
  EXPECT_TRUE(hf::probe(kSize - 1, kSize - 1, {251, 251, 0, 255}, 6));
}

TEST_F(Geometry, DiskHasRadiusOneAndFacesPlusY) {
  const GLuint disk = gl4dgGenDiskf(40);
  draw(disk, rotX(90));  // +y turned towards the viewer
  EXPECT_TRUE(hf::probe(kSize / 2, kSize / 2, kFacingViewer));
  EXPECT_TRUE(hf::probe(1, kSize / 2, kFacingViewer)) << "reaches x = -1";
  EXPECT_TRUE(hf::probe(kSize / 2, kSize - 2, kFacingViewer)) << "reaches the rim";
  EXPECT_TRUE(hf::probe(0, 0, kBackground)) << "a disk leaves the corners";
  draw(disk, rotX(-90));
  EXPECT_TRUE(hf::probeRect(0, 0, kSize, kSize, kBackground)) << "seen from below it is culled";
}

TEST_F(Geometry, SphereIsOutwardFacingWithPolesOnY) {
  const GLuint sphere = gl4dgGenSpheref(32, 16);
  draw(sphere, glm::scale(glm::mat4(1), glm::vec3(0.9f)));
  // With back faces culled only the near hemisphere shows: normals towards +z.
  EXPECT_TRUE(hf::probe(kSize / 2, kSize / 2, kFacingViewer, 8));
  EXPECT_LT(hf::pixelAt(2, kSize / 2).r, 60) << "left edge normal points to -x";
  EXPECT_GT(hf::pixelAt(kSize / 2, kSize - 3).g, 200) << "top normal points to +y";
  EXPECT_TRUE(hf::probe(0, 0, kBackground));
  // v runs from the -y pole (0) to the +y pole (1).
  draw(sphere, glm::scale(glm::mat4(1), glm::vec3(0.9f)), true);
  EXPECT_GT(hf::pixelAt(kSize / 2, kSize - 3).g, 200);
  EXPECT_LT(hf::pixelAt(kSize / 2, 2).g, 60);
}

TEST_F(Geometry, GridSpansMinusOneToOneInXAndZFacingPlusY) {
  const GLuint grid = gl4dgGenGrid2df(9, 5);
  draw(grid, rotX(90));  // +y to the viewer, +z downwards on screen
  EXPECT_TRUE(hf::probeRect(0, 0, kSize, kSize, kFacingViewer));
  draw(grid, rotX(-90));
  EXPECT_TRUE(hf::probeRect(0, 0, kSize, kSize, kBackground));
  // uv follows world x and z: u = (x + 1) / 2, v = (z + 1) / 2. After the
  // turn, z = +1 lies at the bottom of the screen.
  draw(grid, rotX(90), true);
  const hf::Rgba bottomRight = hf::pixelAt(kSize - 1, 0), topLeft = hf::pixelAt(0, kSize - 1);
  EXPECT_GT(bottomRight.r, 240);
  EXPECT_GT(bottomRight.g, 240);
  EXPECT_LT(topLeft.r, 15);
  EXPECT_LT(topLeft.g, 15);
}

TEST_F(Geometry, UnknownIdsDrawNothing) {
  draw(0, glm::mat4(1));
  draw(999999, glm::mat4(1));
  EXPECT_TRUE(hf::probeRect(0, 0, kSize, kSize, kBackground));
}

}  // namespace
