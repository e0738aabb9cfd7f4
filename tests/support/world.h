// The scenes' module compiled into the tests (world.cpp), with the handles
// that tests need of its file-scope state and passes.
#pragma once

#include "animations.h"
#include "support/gl.h"

namespace hf::world {

GLfloat *bee();  // the bee's position
double &wingPhase();
// What the bee world has moved (the bee, the wings, the rigs, the opening
// camera, the climb), kept and put back to redraw a moment as it was.
void saveMotion();
void restoreMotion();
GLuint texOut();
GLuint traceLight();  // the sound trace's own picture (float)
int &blurRadius();
GLuint &program(int i);  // the bee, landscape and backdrop programs; 3: the textured quad, 4: the brown relief
GLuint gridTex();
GLuint gridMesh();
GLuint beeTex();
GLuint colorsTex();
void fond(double t);
void grid(GLfloat x, GLfloat sy, GLfloat z);
void beeDraw(GLfloat da);
void subbeeX(const GLfloat *p);
void subbeeY(const GLfloat *p);
// The rig's frame (y: subbeeY's) as the world stands: nothing moves.
void redrawRig(const GLfloat *p, bool y);
void quit();

}  // namespace hf::world

namespace hf {

// A scene's test: a frame the size of the tests' pictures, bound as the scene manager would, the scenes started
// afresh for it, and a fresh origin on the manual clock.
constexpr int FW = 192, FH = 108;
struct SceneTest : GlTest {
  Frame *frame = nullptr;
  double origin = 0;
  void SetUp() override { GlTest::SetUp(), frame = new Frame(FW, FH), animationsInit(), origin = freshClock(); }
  void TearDown() override { delete frame, GlTest::TearDown(); }
};

}  // namespace hf
