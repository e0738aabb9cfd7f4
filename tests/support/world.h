// The scenes' module compiled into the tests (world.cpp), with the handles
// that tests need of its file-scope state and passes.
#pragma once

#include "animations.h"

namespace hf::world {

GLfloat *bee();  // the bee's position
GLfloat &wingPhase();
GLuint texOut();
GLuint traceLight();  // the sound trace's own picture (float)
int &blurRadius();
GLuint &program(int i);  // the bee, landscape and backdrop programs; 3: the textured quad
GLuint gridTex();
GLuint gridMesh();
GLuint beeTex();
GLuint colorsTex();
void fond(double t);
void grid(GLfloat x, GLfloat sy, GLfloat z);
void beeDraw(GLfloat da);
void subbeeX(const GLfloat *p);
void subbeeY(const GLfloat *p);
void quit();

}  // namespace hf::world
