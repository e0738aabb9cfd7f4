#include "../../animations.cpp"

#include "support/world.h"

namespace hf::world {

GLfloat *bee() { return _bee; }
GLfloat &wingPhase() { return ang; }
GLuint texOut() { return _texOut; }
GLuint traceLight() { return _traceLight; }
int &blurRadius() { return _blurRadius; }
GLuint &program(int i) { return i == 3 ? _texProgId : _pId[i]; }
GLuint gridTex() { return _gridTex; }
GLuint gridMesh() { return _grid; }
GLuint beeTex() { return _beeTex; }
GLuint colorsTex() { return _colorsTex; }
void fond(double t) { ::fond(t); }
void grid(GLfloat x, GLfloat sy, GLfloat z) { grid_draw(x, sy, z); }
void beeDraw(GLfloat da) { bee_draw(steadyBeat(da, 1.0f)); }
void subbeeX(const GLfloat *p) { ::subbeeX(p, sceneClock(bee2)); }
void subbeeY(const GLfloat *p) { ::subbeeY(p, sceneClock(bee5)); }
void quit() { _quit(); }

}  // namespace hf::world
