#include "support/copies.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace bench {

void openContext(int argc, char **argv, int width, int height) {
  if (!SDL_getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
  if (!gl4duwCreateWindow(argc, argv, "bench", 0, 0, width, height, SDL_WINDOW_HIDDEN)) {
    std::fprintf(stderr, "bench: no GL context\n");
    std::exit(1);
  }
  std::printf("GL renderer: %s\n", reinterpret_cast<const char *>(glGetString(GL_RENDERER)));
}

void frameSizeFromArguments(int argc, char **argv, int *width, int *height) {
  if (argc == 3) {
    *width = std::atoi(argv[1]);
    *height = std::atoi(argv[2]);
  }
  if (argc == 2 || argc > 3 || *width <= 0 || *height <= 0) {
    std::fprintf(stderr, "usage: %s [width height]\n", argv[0]);
    std::exit(2);
  }
}

double medianMs(const std::function<void()> &work, int runs, int warmups) {
  for (int i = 0; i < warmups; ++i) work();
  glFinish();
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    work();
    glFinish();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
  return times[runs / 2];
}

Target makeTarget(int w, int h) {
  Target t{0, 0, w, h};
  std::vector<unsigned char> pattern(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<unsigned char>((i * 2654435761u) >> 24);
  glGenTextures(1, &t.tex);
  glBindTexture(GL_TEXTURE_2D, t.tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, pattern.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  glGenFramebuffers(1, &t.fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, t.fbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t.tex, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  return t;
}

GLuint attachDepth(const Target &t) {
  GLuint depth = 0;
  glGenRenderbuffers(1, &depth);
  glBindRenderbuffer(GL_RENDERBUFFER, depth);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, t.w, t.h);
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, t.fbo);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
  return depth;
}

void freeTarget(Target &t) {
  glDeleteFramebuffers(1, &t.fbo);
  glDeleteTextures(1, &t.tex);
  t = Target{};
}

ReferencePass::ReferencePass(const Target &src, const Target &dst) : src_(src), dst_(dst) {
  static const char *vs =
      "#version 330 core\n"
      "const vec2 corners[3] = vec2[](vec2(-1.0, -1.0), vec2(3.0, -1.0), vec2(-1.0, 3.0));\n"
      "void main() { gl_Position = vec4(corners[gl_VertexID], 0.0, 1.0); }\n";
  static const char *fs =
      "#version 330 core\n"
      "uniform sampler2D src;\n"
      "out vec4 color;\n"
      "void main() { color = texelFetch(src, ivec2(gl_FragCoord.xy), 0); }\n";
  GLuint shaders[2] = {glCreateShader(GL_VERTEX_SHADER), glCreateShader(GL_FRAGMENT_SHADER)};
  glShaderSource(shaders[0], 1, &vs, nullptr);
  glShaderSource(shaders[1], 1, &fs, nullptr);
  program_ = glCreateProgram();
  for (GLuint s : shaders) {
    glCompileShader(s);
    glAttachShader(program_, s);
  }
  glLinkProgram(program_);
  for (GLuint s : shaders) glDeleteShader(s);
  glGenVertexArrays(1, &vao_);
}

ReferencePass::~ReferencePass() {
  glDeleteVertexArrays(1, &vao_);
  glDeleteProgram(program_);
}

void ReferencePass::draw() const {
  glBindFramebuffer(GL_FRAMEBUFFER, dst_.fbo);
  glViewport(0, 0, dst_.w, dst_.h);
  glUseProgram(program_);
  glBindVertexArray(vao_);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, src_.tex);
  glDrawArrays(GL_TRIANGLES, 0, 3);
  glBindVertexArray(0);
  glUseProgram(0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

double referencePassMs(const Target &src, const Target &dst) {
  const ReferencePass pass(src, dst);
  return medianMs([&] { pass.draw(); });
}

double medianCopies(const std::function<void()> &work, const ReferencePass &reference, int runs, int warmups,
                    double *ms) {
  auto timed = [](const std::function<void()> &f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    glFinish();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  };
  const std::function<void()> ref = [&] { reference.draw(); };
  for (int i = 0; i < warmups; ++i) {
    work();
    reference.draw();
  }
  glFinish();
  std::vector<double> ratios, times;
  for (int i = 0; i < runs; ++i) {
    const double before = timed(ref), t = timed(work), after = timed(ref);
    ratios.push_back(2.0 * t / (before + after));
    times.push_back(t);
  }
  std::sort(ratios.begin(), ratios.end());
  std::sort(times.begin(), times.end());
  if (ms) *ms = times[times.size() / 2];
  return ratios[ratios.size() / 2];
}

}  // namespace bench
