// What every filter shares: the caller's GL state saved and put back, the
// textures' own sizes, private temporaries, a private framebuffer, and
// full-screen passes of small fragment programs. Private to the layer.
#pragma once

#include <epoxy/gl.h>

namespace gl4d::filters {

// The GL state a filter may change, captured on construction and put back on
// destruction: draw and read framebuffers, viewport, program, vertex array,
// active unit with the 2-D texture and sampler of unit 0, the depth, blend,
// cull, scissor, stencil and dither switches, colour mask and clear colour.
class SavedState {
 public:
  SavedState();
  ~SavedState();
  SavedState(const SavedState &) = delete;
  SavedState &operator=(const SavedState &) = delete;

 private:
  GLint drawFbo_ = 0, readFbo_ = 0, viewport_[4] = {}, program_ = 0, vao_ = 0;
  GLint activeUnit_ = 0, texture0_ = 0, sampler0_ = 0;
  GLboolean switches_[6] = {}, colorMask_[4] = {};
  GLfloat clearColor_[4] = {};
};

// A 2-D texture with its level-0 size and the format its temporaries take.
struct Image {
  GLuint tex = 0;
  GLsizei w = 0, h = 0;
  GLenum scratchFormat = GL_RGBA8;
};

// A rectangle of texels, [x0, x1) x [y0, y1).
struct Rect {
  GLint x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
  // Grown by dx and dy on each side, then clipped to a w x h image.
  Rect grown(GLint dx, GLint dy, GLsizei w, GLsizei h) const;
};

// The texels of its output that the running filter call must compute:
// gl4dfSetRegion's rectangle within the output, or all of it.
const Rect &callRegion();

// Reads tex's level-0 size. False when there is nothing to filter: a name
// that is no texture (reported on stderr under the caller's name) or a
// texture without an image (silently: a legitimate empty texture).
bool describe(const char *caller, GLuint tex, Image *image);

// The private temporaries, one per role and size, kept between calls.
enum class Scratch { Work, Result, LevelA, LevelB, Strip };
GLuint scratch(Scratch role, GLsizei w, GLsizei h, GLenum format);

// A program of the full-screen vertex stage and `body` after the shared
// prelude (outPixel(), uv, fragColor); built once, cached by name.
GLuint program(const char *name, const char *body);

// How a pass samples its input (private samplers: the texture's own
// parameters stay): nearest or linear with edges clamped, or nearest with
// coordinates past an edge mirrored back (GL_MIRRORED_REPEAT).
enum class Sampling { Nearest, Linear, Mirrored };

// Makes prog current and binds tex on unit 0, sampled as asked.
void useProgram(GLuint prog, GLuint tex, Sampling sampling);
void setInt(GLuint prog, const char *name, GLint v);
void setInt2(GLuint prog, const char *name, GLint x, GLint y);
void setFloat(GLuint prog, const char *name, GLfloat v);
void setFloat2(GLuint prog, const char *name, GLfloat x, GLfloat y);
void setFloats(GLuint prog, const char *name, const GLfloat *v, GLsizei n);

// Draws the current program over the w x h corner of target (through the
// private framebuffer), or over only the texels of it, if given; flip
// mirrors the output vertically.
void drawInto(GLuint target, GLsizei w, GLsizei h, bool flip, const Rect *only = nullptr);

// Copies the w x h corner of src into dst (blit; exact), mirrored if asked,
// or only the texels of it, if given (not mirrored).
void copy(GLuint src, GLuint dst, GLsizei w, GLsizei h, bool flip, const Rect *only = nullptr);

// True when dst can be drawn into; otherwise reports it under caller's name.
bool renderable(const char *caller, GLuint dst);

// What a pass writing target should read for src: src itself, or, when src
// is the target, a copy of it (of only the texels needed, if given) in the
// Work temporary.
GLuint stillInput(const Image &src, GLuint target, const Rect *needed = nullptr);

// Copies src into target of the same size, exactly; target may be src.
void copyInto(const Image &src, GLuint target, bool flip);

// Resamples src into dst with filtering (a plain copy at equal sizes).
void resample(const Image &src, const Image &dst, bool flip);

// The common frame of a filter call: the caller's state saved, both textures
// described, dst checked; then filter(source, target, flip) runs at the
// source's size, straight into out when the sizes agree, otherwise into a
// temporary that is then resampled into out.
// Sets what callRegion() gives for one call, and puts back all of the
// output after it.
class CallRegion {
 public:
  CallRegion(GLsizei w, GLsizei h, bool partial);
  ~CallRegion();
  CallRegion(const CallRegion &) = delete;
  CallRegion &operator=(const CallRegion &) = delete;
};

template <typename Filter>
void run(const char *caller, GLuint in, GLuint out, bool flip, Filter filter) {
  SavedState saved;
  Image src, dst;
  if (!describe(caller, in, &src) || !describe(caller, out, &dst) || !renderable(caller, out)) return;
  if (src.w == dst.w && src.h == dst.h) {
    const CallRegion region(src.w, src.h, !flip);
    filter(src, out, flip);
    return;
  }
  Image result = src;
  result.tex = scratch(Scratch::Result, src.w, src.h, src.scratchFormat);
  filter(src, result.tex, false);
  resample(result, dst, flip);
}

// Each family's programs, made ahead of their first use.
void prepareBlur();
void prepareBlurTemporaries(GLsizei w, GLsizei h);
void prepareScattering();
void prepareMedian();
void prepareSobel();
void prepareCopy();

// gl4dfSetRegion's rectangle; a negative w or h: none.
void setRegion(GLint x, GLint y, GLsizei w, GLsizei h);

// Frees every object of the filters; with the resets of the families that
// keep settings, gl4duClean returns the filters to their first state.
void release();
void resetScattering();
void resetSobel();

}  // namespace gl4d::filters
