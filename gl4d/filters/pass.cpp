// The filters' shared machinery: state saving, texture sizes, temporaries,
// the private framebuffers and the full-screen pass.
#include "gl4d/filters/pass.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "gl4d/core/internal.h"
#include "gl4d/core/switches.h"
#include "gl4d/filters.h"

namespace gl4d::filters {

namespace {

const GLenum kSwitches[6] = {GL_DEPTH_TEST, GL_BLEND, GL_CULL_FACE, GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_DITHER};

const char *kVertexStage = R"(#version 330 core
uniform bool flipV;
out vec2 uv;  // 0..1 over the output, mirrored with it
// One triangle covering the whole viewport, from the vertex index alone.
void main() {
  vec2 corner = vec2(float((gl_VertexID & 1) << 2), float((gl_VertexID & 2) << 1)) - 1.0;
  uv = corner * 0.5 + 0.5;
  if (flipV) uv.y = 1.0 - uv.y;
  gl_Position = vec4(corner, 0.0, 1.0);
}
)";

const char *kPrelude = R"(#version 330 core
uniform bool flipV;     // the output is mirrored vertically
uniform ivec2 outSize;  // pixels of the output rectangle
in vec2 uv;             // 0..1 over the output, mirrored with it
out vec4 fragColor;
// The output pixel this fragment computes.
ivec2 outPixel() {
  ivec2 p = ivec2(gl_FragCoord.xy);
  return flipV ? ivec2(p.x, outSize.y - 1 - p.y) : p;
}
)";

struct Temporary {
  Scratch role;
  GLsizei w, h;
  GLenum format;
  GLuint tex;
  std::uint64_t lastUse;
};

// Enough for the roles of a few frame sizes; the least recently used goes.
constexpr size_t kMaxTemporaries = 12;

struct Resources {
  GLuint drawFbo = 0, readFbo = 0, vao = 0, samplers[3] = {};
  GLuint current = 0;  // the program useProgram made current
  std::map<std::string, GLuint> programs;
  std::vector<Temporary> temporaries;
  std::uint64_t uses = 0;
};

Resources r;

// gl4dfSetRegion's rectangle, if one is set, and the running call's share
// of its output.
bool regionSet = false, regionsKept = true;
Rect requested, current;

GLuint makeSampler(GLenum filter, GLenum wrap) {
  GLuint s = 0;
  glGenSamplers(1, &s);
  glSamplerParameteri(s, GL_TEXTURE_MIN_FILTER, filter);
  glSamplerParameteri(s, GL_TEXTURE_MAG_FILTER, filter);
  glSamplerParameteri(s, GL_TEXTURE_WRAP_S, wrap);
  glSamplerParameteri(s, GL_TEXTURE_WRAP_T, wrap);
  return s;
}

void ensureObjects() {
  if (r.drawFbo) return;
  glGenFramebuffers(1, &r.drawFbo);
  glGenFramebuffers(1, &r.readFbo);
  glGenVertexArrays(1, &r.vao);
  r.samplers[int(Sampling::Nearest)] = makeSampler(GL_NEAREST, GL_CLAMP_TO_EDGE);
  r.samplers[int(Sampling::Linear)] = makeSampler(GL_LINEAR, GL_CLAMP_TO_EDGE);
  r.samplers[int(Sampling::Mirrored)] = makeSampler(GL_NEAREST, GL_MIRRORED_REPEAT);
}

// Switches that would change what a full-screen pass or a blit writes.
void neutralState() {
  for (GLenum s : kSwitches) glDisable(s);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

GLuint link(const char *name, const char *body) {
  std::string log;
  const GLuint vs = gl4d::compileShader(GL_VERTEX_SHADER, kVertexStage, &log);
  const GLuint fs = vs ? gl4d::compileShader(GL_FRAGMENT_SHADER, std::string(kPrelude) + body, &log) : 0;
  GLuint prog = 0;
  if (!vs || !fs)
    std::fprintf(stderr, "gl4df: the %s program does not compile:\n%s\n", name, log.c_str());
  else if (!(prog = gl4d::linkProgram({vs, fs}, &log)))
    std::fprintf(stderr, "gl4df: the %s program does not link:\n%s\n", name, log.c_str());
  if (vs) glDeleteShader(vs);
  if (fs) glDeleteShader(fs);
  return prog;
}

GLint location(GLuint prog, const char *name) { return glGetUniformLocation(prog, name); }

}  // namespace

SavedState::SavedState() {
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFbo_);
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFbo_);
  glGetIntegerv(GL_VIEWPORT, viewport_);
  glGetIntegerv(GL_CURRENT_PROGRAM, &program_);
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vao_);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit_);
  glActiveTexture(GL_TEXTURE0);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture0_);
  glGetIntegerv(GL_SAMPLER_BINDING, &sampler0_);
  for (int i = 0; i < 6; ++i) switches_[i] = glIsEnabled(kSwitches[i]);
  glGetBooleanv(GL_COLOR_WRITEMASK, colorMask_);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor_);
}

SavedState::~SavedState() {
  // No caller texture stays attached to the private framebuffers.
  if (r.drawFbo) {
    glBindFramebuffer(GL_FRAMEBUFFER, r.drawFbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, r.readFbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
  }
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawFbo_));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFbo_));
  glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
  glUseProgram(static_cast<GLuint>(program_));
  glBindVertexArray(static_cast<GLuint>(vao_));
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture0_));
  glBindSampler(0, static_cast<GLuint>(sampler0_));
  glActiveTexture(static_cast<GLenum>(activeUnit_));
  for (int i = 0; i < 6; ++i) (switches_[i] ? glEnable : glDisable)(kSwitches[i]);
  glColorMask(colorMask_[0], colorMask_[1], colorMask_[2], colorMask_[3]);
  glClearColor(clearColor_[0], clearColor_[1], clearColor_[2], clearColor_[3]);
}

Rect Rect::grown(GLint dx, GLint dy, GLsizei w, GLsizei h) const {
  if (empty()) return Rect{};
  return {std::max(0, x0 - dx), std::max(0, y0 - dy), std::min(GLint(w), x1 + dx), std::min(GLint(h), y1 + dy)};
}

const Rect &callRegion() { return current; }

CallRegion::CallRegion(GLsizei w, GLsizei h, bool partial) {
  const Rect whole{0, 0, w, h};
  current = partial && regionSet && regionsKept ? requested.grown(0, 0, w, h) : whole;
}

CallRegion::~CallRegion() { current = Rect{}; }

bool describe(const char *caller, GLuint tex, Image *image) {
  if (!glIsTexture(tex)) {
    std::fprintf(stderr, "%s: %u is not a texture\n", caller, tex);
    return false;
  }
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, tex);
  GLint w = 0, h = 0, redType = GL_NONE, redSize = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_RED_TYPE, &redType);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_RED_SIZE, &redSize);
  image->tex = tex;
  image->w = w;
  image->h = h;
  // Float images keep their range and precision through the temporaries.
  image->scratchFormat = redType == GL_FLOAT ? (redSize > 16 ? GL_RGBA32F : GL_RGBA16F) : GL_RGBA8;
  return w > 0 && h > 0;
}

GLuint scratch(Scratch role, GLsizei w, GLsizei h, GLenum format) {
  ++r.uses;
  for (Temporary &t : r.temporaries)
    if (t.role == role && t.w == w && t.h == h && t.format == format) {
      t.lastUse = r.uses;
      return t.tex;
    }
  if (r.temporaries.size() >= kMaxTemporaries) {
    auto oldest = r.temporaries.begin();
    for (auto it = r.temporaries.begin(); it != r.temporaries.end(); ++it)
      if (it->lastUse < oldest->lastUse) oldest = it;
    glDeleteTextures(1, &oldest->tex);
    r.temporaries.erase(oldest);
  }
  Temporary t{role, w, h, format, 0, r.uses};
  glGenTextures(1, &t.tex);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, t.tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), w, h, 0, GL_RGBA,
               format == GL_RGBA8 ? GL_UNSIGNED_BYTE : GL_FLOAT, nullptr);
  r.temporaries.push_back(t);
  return t.tex;
}

GLuint program(const char *name, const char *body) {
  const auto found = r.programs.find(name);
  if (found != r.programs.end()) return found->second;
  const GLuint prog = link(name, body);
  r.programs.emplace(name, prog);  // a failure is reported once, not every call
  return prog;
}

void useProgram(GLuint prog, GLuint tex, Sampling sampling) {
  ensureObjects();
  r.current = prog;
  glUseProgram(prog);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, tex);
  glBindSampler(0, r.samplers[int(sampling)]);
  setInt(prog, "src", 0);
}

void setInt(GLuint prog, const char *name, GLint v) { glUniform1i(location(prog, name), v); }
void setInt2(GLuint prog, const char *name, GLint x, GLint y) { glUniform2i(location(prog, name), x, y); }
void setFloat(GLuint prog, const char *name, GLfloat v) { glUniform1f(location(prog, name), v); }
void setFloat2(GLuint prog, const char *name, GLfloat x, GLfloat y) { glUniform2f(location(prog, name), x, y); }
void setFloats(GLuint prog, const char *name, const GLfloat *v, GLsizei n) {
  glUniform1fv(location(prog, name), n, v);
}

// Limits the next pass to the texels of only, unless that is all of w x h.
void scissor(const Rect *only, GLsizei w, GLsizei h) {
  if (!only || (only->x0 <= 0 && only->y0 <= 0 && only->x1 >= w && only->y1 >= h)) return;
  glEnable(GL_SCISSOR_TEST);
  glScissor(only->x0, only->y0, only->x1 - only->x0, only->y1 - only->y0);
}

void drawInto(GLuint target, GLsizei w, GLsizei h, bool flip, const Rect *only) {
  if (!r.current || (only && only->empty())) return;  // a failed build (reported), or nothing to draw
  ensureObjects();
  neutralState();
  scissor(only, w, h);
  glBindFramebuffer(GL_FRAMEBUFFER, r.drawFbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
  glViewport(0, 0, w, h);
  setInt(r.current, "flipV", flip ? 1 : 0);
  setInt2(r.current, "outSize", w, h);
  glBindVertexArray(r.vao);
  glDrawArrays(GL_TRIANGLES, 0, 3);
}

void copy(GLuint src, GLuint dst, GLsizei w, GLsizei h, bool flip, const Rect *only) {
  if (only && only->empty()) return;
  ensureObjects();
  neutralState();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, r.readFbo);
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, src, 0);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, r.drawFbo);
  glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, dst, 0);
  if (only)
    glBlitFramebuffer(only->x0, only->y0, only->x1, only->y1, only->x0, only->y0, only->x1, only->y1,
                      GL_COLOR_BUFFER_BIT, GL_NEAREST);
  else
    glBlitFramebuffer(0, 0, w, h, 0, flip ? h : 0, w, flip ? 0 : h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

GLuint stillInput(const Image &src, GLuint target, const Rect *needed) {
  if (src.tex != target) return src.tex;
  const GLuint work = scratch(Scratch::Work, src.w, src.h, src.scratchFormat);
  copy(src.tex, work, src.w, src.h, false, needed);
  return work;
}

void copyInto(const Image &src, GLuint target, bool flip) {
  if (src.tex != target) {
    copy(src.tex, target, src.w, src.h, flip);
  } else if (flip) {  // a blit may not read and write the same pixels
    copy(stillInput(src, target), target, src.w, src.h, true);
  }
}

bool renderable(const char *caller, GLuint dst) {
  ensureObjects();
  glBindFramebuffer(GL_FRAMEBUFFER, r.drawFbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, dst, 0);
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  if (status == GL_FRAMEBUFFER_COMPLETE) return true;
  std::fprintf(stderr, "%s: texture %u cannot be drawn into (framebuffer status 0x%04X)\n", caller, dst, status);
  return false;
}

void setRegion(GLint x, GLint y, GLsizei w, GLsizei h) {
  regionSet = w >= 0 && h >= 0;
  requested = Rect{x, y, x + w, y + h};
}

void release() {
  for (const auto &p : r.programs)
    if (p.second) glDeleteProgram(p.second);
  for (const Temporary &t : r.temporaries) glDeleteTextures(1, &t.tex);
  if (r.drawFbo) {
    glDeleteFramebuffers(1, &r.drawFbo);
    glDeleteFramebuffers(1, &r.readFbo);
    glDeleteVertexArrays(1, &r.vao);
    glDeleteSamplers(3, r.samplers);
  }
  r = Resources{};
}

}  // namespace gl4d::filters

void gl4d::prepareFilters(int w, int h) {
  using namespace gl4d::filters;
  SavedState saved;
  ensureObjects();
  prepareBlur();
  prepareScattering();
  prepareMedian();
  prepareSobel();
  prepareCopy();
  prepareBlurTemporaries(w, h);
  scratch(Scratch::Result, w, h, GL_RGBA8);
}

void gl4d::releaseFilters() {
  gl4d::filters::release();
  gl4d::filters::setRegion(0, 0, -1, -1);
  gl4d::filters::resetScattering();
  gl4d::filters::resetSobel();
}

void gl4dfPrepare(int w, int h) { gl4d::prepareFilters(w, h); }

void gl4dfSetRegion(GLint x, GLint y, GLsizei w, GLsizei h) { gl4d::filters::setRegion(x, y, w, h); }

void gl4dfSetRegions(GLboolean on) { gl4d::filters::regionsKept = on; }
