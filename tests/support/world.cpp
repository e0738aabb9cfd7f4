#include "../../animations.cpp"

#include "support/world.h"

namespace hf::world {

GLfloat *bee() { return _bee; }
double &wingPhase() { return wings.ang; }
// Everything the bee world moves, to redraw a moment as it was.
static struct {
  decltype(wings) w;
  decltype(motion) m;
  RigClock x, y;
  GLfloat bee[3], rcam[RCAM_SIZE], ve4;
  decltype(climbBase) base;
} saved;
void saveMotion() {
  saved = {wings, motion, rigX, rigY, {_bee[0], _bee[1], _bee[2]}, {}, ::ve4, climbBase};
  std::copy(rcam, rcam + RCAM_SIZE, saved.rcam);
}
void restoreMotion() {
  wings = saved.w, motion = saved.m, rigX = saved.x, rigY = saved.y, ::ve4 = saved.ve4, climbBase = saved.base;
  std::copy(saved.bee, saved.bee + 3, _bee);
  std::copy(saved.rcam, saved.rcam + RCAM_SIZE, rcam);
}
GLuint texOut() { return _texOut; }
GLuint traceLight() { return _traceLight; }
int &blurRadius() { return _blurRadius; }
GLuint &program(int i) { return i == 3 ? _texProgId : i == 4 ? _plainGroundId : _pId[i]; }
GLuint gridTex() { return _gridTex; }
GLuint gridMesh() { return _grid; }
GLuint beeTex() { return _beeTex; }
GLuint colorsTex() { return _colorsTex; }
void fond(double t) { ::fond(t); }
void grid(GLfloat x, GLfloat sy, GLfloat z) { grid_draw(x, sy, z); }
void beeDraw(GLfloat da) {
  const double first = wings.ang + da;
  wings.ang = first + da;
  bee_draw({first, wings.ang});
}
void subbeeX(const GLfloat *p) { ::subbeeX(p, sceneClock(bee2)); }
void subbeeY(const GLfloat *p) { ::subbeeY(p, sceneClock(bee5)); }
void redrawRig(const GLfloat *p, bool y) {
  const RigClock &rig = y ? rigY : rigX;
  drawChase(p, showSeconds(gl4dGetElapsedTime()) - rig.start, y ? lightsY : lightsX, {wings.first, wings.ang});
}
void quit() { _quit(); }

}  // namespace hf::world
