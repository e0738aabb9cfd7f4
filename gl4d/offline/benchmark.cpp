#include "gl4d/offline/benchmark.h"

#include <SDL2/SDL.h>
#include <epoxy/gl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <errno.h>
#include <vector>

#include "gl4d/core/internal.h"
#include "gl4d/core/switches.h"
#include "gl4d/offline/benchmark_json.h"
#include "gl4d/offline/c_locale.h"
#include "gl4d/offline/frame_stats.h"
#include "gl4d/offline/gl_objects.h"
#include "gl4d/offline/texture_memory.h"
#include "gl4d/offline/whole_file.h"
#include "gl4d/programs.h"
#include "gl4d/scenes.h"

namespace gl4d {

namespace {

struct BenchmarkRun {
  BenchmarkFigures figures;
  GLuint query = 0;
  double frameStartMs = 0;
  unsigned madeBefore = 0;
  std::vector<double> reference;
  // After the show's last row (a run given a later --gl4d-stop).
  size_t framesAfter = 0;
  unsigned madeAfter = 0;
  double residentAtEnd = 0, residentAtLast = 0;
};

BenchmarkRun benchmarkRun;

// The largest resident size the process has had, MB.
double peakResidentMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The resident size now, MB (peaks only grow: growth shows in this one).
double residentMb() {
  long pages = 0, resident = 0;
  FILE *f = std::fopen("/proc/self/statm", "re");
  if (f && std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
  if (f) std::fclose(f);
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

const char *glString(GLenum name) {
  const auto *s = reinterpret_cast<const char *>(glGetString(name));
  return s ? s : "";
}

// Wall time since benchmarkFrameBegin, and the GPU's where there are timer
// queries (negative otherwise): both for every frame, on every driver.
std::pair<double, double> frameTimes() {
  BenchmarkRun &b = benchmarkRun;
  if (b.query) glEndQuery(GL_TIME_ELAPSED);
  glFinish();
  const double wall = sinceLoadMs() - b.frameStartMs;
  GLuint64 ns = 0;
  if (b.query) glGetQueryObjectui64v(b.query, GL_QUERY_RESULT, &ns);
  return {wall, b.query ? static_cast<double>(ns) / 1e6 : -1.0};
}

// The reference pass: a full-frame draw that fetches one texel per pixel
// and writes it, timed as frames are, 30 times after two to warm up. Its
// source is filled with a hash of the pixel by the same program, on the GPU:
// no buffer of the frame's size on our side.
void timeReferencePass() {
  BenchmarkRun &b = benchmarkRun;
  const int w = b.figures.width, h = b.figures.height;
  const UncountedGlObjects uncounted;
  const char *vs = "#version 330 core\nvoid main() { vec2 p = vec2((gl_VertexID << 1) & 2, gl_VertexID & 2);\n"
                   "  gl_Position = vec4(2.0 * p - 1.0, 0.0, 1.0); }\n";
  const char *fs = "#version 330 core\nuniform sampler2D src; uniform bool fill; out vec4 c;\n"
                   "void main() { ivec2 p = ivec2(gl_FragCoord.xy);\n"
                   "  uint k = (uint(p.x) * 2654435761u) ^ (uint(p.y) * 40503u);\n"
                   "  c = fill ? vec4(uvec4(k, k >> 8, k >> 16, k >> 24) & 255u) / 255.0 : texelFetch(src, p, 0); }\n";
  const GLuint program = glCreateProgram();
  for (auto [type, text] : {std::pair{GL_VERTEX_SHADER, vs}, std::pair{GL_FRAGMENT_SHADER, fs}}) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    glAttachShader(program, shader);
    glDeleteShader(shader);
  }
  glLinkProgram(program);
  GLuint vao = 0, tex[2] = {0, 0}, fbo[2] = {0, 0};
  glGenVertexArrays(1, &vao);
  glGenTextures(2, tex);
  glGenFramebuffers(2, fbo);
  for (int i = 0; i < 2; ++i) {
    glBindTexture(GL_TEXTURE_2D, tex[i]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo[i]);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex[i], 0);
  }
  glViewport(0, 0, w, h);
  glUseProgram(program);
  glBindVertexArray(vao);
  glActiveTexture(GL_TEXTURE0);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo[0]);
  glBindTexture(GL_TEXTURE_2D, 0);
  glUniform1i(glGetUniformLocation(program, "fill"), 1);
  glDrawArrays(GL_TRIANGLES, 0, 3);
  glUniform1i(glGetUniformLocation(program, "fill"), 0);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo[1]);
  glBindTexture(GL_TEXTURE_2D, tex[0]);
  for (int i = -2; i < 30; ++i) {
    benchmarkFrameBegin();
    glDrawArrays(GL_TRIANGLES, 0, 3);
    const double ms = frameTimes().first;
    if (i >= 0) b.reference.push_back(ms);
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  glBindVertexArray(0);
  glUseProgram(0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(2, fbo);
  glDeleteTextures(2, tex);
  glDeleteVertexArrays(1, &vao);
  glDeleteProgram(program);
  b.figures.stats.referenceMs = medianMs(b.reference);
}

std::string sanitizers() {
  std::string list;
#if defined(__SANITIZE_ADDRESS__)
  list += ",address";
#endif
#if defined(GL4D_UBSAN)
  list += ",undefined";
#endif
#if defined(__SANITIZE_THREAD__)
  list += ",thread";
#endif
  return list.empty() ? list : list.substr(1);
}

}  // namespace

void benchmarkContextMade() {
  countGlObjects();
  benchmarkRun.figures.stats.countsObjects = true;
}

void benchmarkStart(int width, int height, int fps, std::uint64_t frames) {
  BenchmarkFigures &f = benchmarkRun.figures;
  f.width = width, f.height = height, f.fps = fps;
  f.program = program_invocation_short_name;
  f.version = GL4D_PROGRAM_VERSION;
  f.buildType = GL4D_BUILD_TYPE;
  f.sanitizers = sanitizers();
  f.renderer = glString(GL_RENDERER);
  f.glVersion = glString(GL_VERSION);
  GLint flags = 0;
  glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
  f.debugContext = flags & GL_CONTEXT_FLAG_DEBUG_BIT;
  f.softwareRasterizer = gl4duIsSoftwareRasterizer();
  GLint bits = 0;
  glGetQueryiv(GL_TIME_ELAPSED, GL_QUERY_COUNTER_BITS, &bits);
  f.gpuTimer = bits > 0;
  if (f.gpuTimer) {
    const UncountedGlObjects uncounted;
    glGenQueries(1, &benchmarkRun.query);
  }
  f.stats.rows = tableRows();
  f.stats.frames.reserve(frames);  // no reallocation in the show's memory figures
}

void benchmarkFrameBegin() {
  glFinish();
  benchmarkRun.madeBefore = glObjectsMade();
  benchmarkRun.frameStartMs = sinceLoadMs();
  if (benchmarkRun.query) glBeginQuery(GL_TIME_ELAPSED, benchmarkRun.query);
}

void benchmarkFrameEnd(double showMs) {
  BenchmarkRun &b = benchmarkRun;
  const auto [ms, gpuMs] = frameTimes();
  const unsigned made = glObjectsMade() - b.madeBefore;
  if (b.figures.startupMs[4] <= 0) b.figures.startupMs[4] = sinceLoadMs();
  const int row = gl4dhGetCurrentRow();
  std::vector<FrameRecord> &frames = b.figures.stats.frames;
  frames.push_back({showMs, row, ms, gpuMs, made});
  const std::vector<RowInfo> &rows = b.figures.stats.rows;
  if (row < 0 && !rows.empty() && showMs >= rows.back().endMs) {
    b.residentAtLast = residentMb();
    if (!b.framesAfter++) b.residentAtEnd = b.residentAtLast;
    b.madeAfter += made;
  }
}

void benchmarkLastFrame() {
  BenchmarkFigures &f = benchmarkRun.figures;
  f.textureMb = textureMegabytes();
  f.peakResidentMb = peakResidentMb();
  timeReferencePass();
}

bool benchmarkReport(const std::string &path, std::string *error) {
  const CNumbers cNumbers;
  BenchmarkRun &b = benchmarkRun;
  BenchmarkFigures &f = b.figures;
  for (int phase = 0; phase < kPhases; ++phase) f.startupMs[phase] = phaseMs[phase];
  const FrameStats &st = f.stats;
  std::printf("gl4d benchmark: %dx%d, %d fps, %zu frames, wall time between glFinish%s; reference pass %.3f ms\n",
              f.width, f.height, f.fps, st.frames.size(), f.gpuTimer ? " (and GPU time)" : "", st.referenceMs);
  std::printf("%s, %s, %s build%s%s%s\n", f.renderer.c_str(), f.glVersion.c_str(), f.buildType.c_str(),
              f.sanitizers.empty() ? "" : " with ", f.sanitizers.c_str(), f.debugContext ? ", debug context" : "");
  st.print(stdout);
  std::printf("start-up: before the window (the archives) %.0f ms, window %.0f ms, shared resources %.0f ms, "
              "scene initialisations %.0f ms; first frame done at %.0f ms\n",
              f.startupMs[0], f.startupMs[1], f.startupMs[2], f.startupMs[3], f.startupMs[4]);
  std::printf("memory: peak resident %.1f MB, textures %.1f MB\n", f.peakResidentMb, f.textureMb);
  if (b.framesAfter)
    std::printf("after the show: %zu frames, %u GL objects made, resident %.1f MB at its end and %.1f MB at the "
                "last frame\n", b.framesAfter, b.madeAfter, b.residentAtEnd, b.residentAtLast);
  std::fflush(stdout);
  if (path.empty()) return true;
  return writeWhole(path, benchmarkJson(f), true, error);
}

}  // namespace gl4d
