#include "gl4d/offline/benchmark.h"

#include <SDL2/SDL.h>
#include <epoxy/gl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <vector>

#include "gl4d/core/internal.h"
#include "gl4d/core/switches.h"
#include "gl4d/offline/frame_stats.h"
#include "gl4d/programs.h"
#include "gl4d/scenes.h"

namespace gl4d {

namespace {

double nowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

/* GL objects counted through libepoxy's dispatch: every glGen* and
 * glCreate* of the program and the layer goes through these pointers, so
 * they are swapped for counting ones; textures are followed for their
 * memory. */
unsigned made = 0;
std::map<GLuint, GLenum> textures;  // name -> target of its first binding (0: not yet bound)

PFNGLGENTEXTURESPROC genTextures;
PFNGLDELETETEXTURESPROC deleteTextures;
PFNGLBINDTEXTUREPROC bindTexture;
PFNGLGENBUFFERSPROC genBuffers;
PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
PFNGLGENVERTEXARRAYSPROC genVertexArrays;
PFNGLGENSAMPLERSPROC genSamplers;
PFNGLCREATEPROGRAMPROC createProgram;
PFNGLCREATESHADERPROC createShader;

void GLAPIENTRY countGenTextures(GLsizei n, GLuint *names) {
  genTextures(n, names);
  made += static_cast<unsigned>(n);
  for (GLsizei i = 0; i < n; ++i) textures.emplace(names[i], 0);
}
void GLAPIENTRY countDeleteTextures(GLsizei n, const GLuint *names) {
  for (GLsizei i = 0; i < n; ++i) textures.erase(names[i]);
  deleteTextures(n, names);
}
void GLAPIENTRY countBindTexture(GLenum target, GLuint name) {
  auto it = textures.find(name);
  if (it != textures.end() && !it->second) it->second = target;
  bindTexture(target, name);
}
void GLAPIENTRY countGenBuffers(GLsizei n, GLuint *names) { genBuffers(n, names), made += static_cast<unsigned>(n); }
void GLAPIENTRY countGenFramebuffers(GLsizei n, GLuint *names) {
  genFramebuffers(n, names), made += static_cast<unsigned>(n);
}
void GLAPIENTRY countGenRenderbuffers(GLsizei n, GLuint *names) {
  genRenderbuffers(n, names), made += static_cast<unsigned>(n);
}
void GLAPIENTRY countGenVertexArrays(GLsizei n, GLuint *names) {
  genVertexArrays(n, names), made += static_cast<unsigned>(n);
}
void GLAPIENTRY countGenSamplers(GLsizei n, GLuint *names) { genSamplers(n, names), made += static_cast<unsigned>(n); }
GLuint GLAPIENTRY countCreateProgram() { return ++made, createProgram(); }
GLuint GLAPIENTRY countCreateShader(GLenum type) { return ++made, createShader(type); }

template <typename F>
void swap(F *real, F &dispatch, F counting, const char *name) {
  *real = reinterpret_cast<F>(SDL_GL_GetProcAddress(name));
  if (*real) dispatch = counting;
}

struct Run {
  FrameStats stats;
  int width = 0, height = 0;
  GLuint query = 0;
  bool gpuTime = false;
  double frameStart = 0, firstFrameShownMs = -1;
  unsigned madeBefore = 0;
  std::vector<double> reference;
  double textureMb = 0;
  // After the show's last row (a run given a later --gl4d-stop).
  size_t framesAfter = 0;
  unsigned madeAfter = 0;
  double residentAtEnd = 0, residentAtLast = 0;
  // The reference pass: a full-frame draw that fetches one texel per pixel.
  GLuint program = 0, vao = 0, src = 0, dst = 0, fbo = 0;
};

Run run;

void makeReferencePass() {
  const char *vs = "#version 330 core\nvoid main() { vec2 p = vec2((gl_VertexID << 1) & 2, gl_VertexID & 2);\n"
                   "  gl_Position = vec4(2.0 * p - 1.0, 0.0, 1.0); }\n";
  const char *fs = "#version 330 core\nuniform sampler2D src; out vec4 c;\n"
                   "void main() { c = texelFetch(src, ivec2(gl_FragCoord.xy), 0); }\n";
  run.program = glCreateProgram();
  for (auto [type, text] : {std::pair{GL_VERTEX_SHADER, vs}, std::pair{GL_FRAGMENT_SHADER, fs}}) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    glAttachShader(run.program, shader);
    glDeleteShader(shader);
  }
  glLinkProgram(run.program);
  glGenVertexArrays(1, &run.vao);
  std::vector<GLubyte> noise(static_cast<size_t>(run.width) * run.height * 4);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<GLubyte>(i * 2654435761u >> 24);
  for (GLuint *t : {&run.src, &run.dst}) {
    glGenTextures(1, t);
    glBindTexture(GL_TEXTURE_2D, *t);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, run.width, run.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, noise.data());
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  glGenFramebuffers(1, &run.fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, run.fbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, run.dst, 0);
}

// The time since benchmarkFrameBegin, by the run's method.
double frameMs() {
  if (run.gpuTime) {
    glEndQuery(GL_TIME_ELAPSED);
    GLuint64 ns = 0;
    glGetQueryObjectui64v(run.query, GL_QUERY_RESULT, &ns);
    return static_cast<double>(ns) / 1e6;
  }
  glFinish();
  return nowMs() - run.frameStart;
}

// Times the reference pass a few times; the scene manager binds its own
// framebuffer, viewport and program before every frame.
void timeReferencePass(int times) {
  glBindFramebuffer(GL_FRAMEBUFFER, run.fbo);
  glViewport(0, 0, run.width, run.height);
  glUseProgram(run.program);
  glBindVertexArray(run.vao);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, run.src);
  for (int i = -2; i < times; ++i) {  // two to warm up, each timed as a frame is
    benchmarkFrameBegin();
    glDrawArrays(GL_TRIANGLES, 0, 3);
    const double ms = frameMs();
    if (i >= 0) run.reference.push_back(ms);
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  glBindVertexArray(0);
  glUseProgram(0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// Bytes of level 0 of every texture the run still holds.
double textureMegabytes() {
  double bytes = 0;
  for (const auto &[name, target] : textures) {
    if (!target || !glIsTexture(name)) continue;
    glBindTexture(target, name);
    GLint w = 0, h = 1, d = 1, bits = 0;
    glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, &w);
    if (target != GL_TEXTURE_1D) glGetTexLevelParameteriv(target, 0, GL_TEXTURE_HEIGHT, &h);
    if (target == GL_TEXTURE_3D || target == GL_TEXTURE_2D_ARRAY) glGetTexLevelParameteriv(target, 0, GL_TEXTURE_DEPTH, &d);
    for (GLenum size : {GL_TEXTURE_RED_SIZE, GL_TEXTURE_GREEN_SIZE, GL_TEXTURE_BLUE_SIZE, GL_TEXTURE_ALPHA_SIZE,
                        GL_TEXTURE_DEPTH_SIZE, GL_TEXTURE_STENCIL_SIZE}) {
      GLint b = 0;
      glGetTexLevelParameteriv(target, 0, size, &b);
      bits += b;
    }
    glBindTexture(target, 0);
    bytes += static_cast<double>(w) * h * d * bits / 8.0;
  }
  return bytes / (1024.0 * 1024.0);
}

}  // namespace

// The largest resident size the process has had, MB.
double peakResidentMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The resident size now, MB (peaks only grow: growth shows in this one).
double residentMb() {
  long pages = 0, resident = 0;
  FILE *f = std::fopen("/proc/self/statm", "r");
  if (f && std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
  if (f) std::fclose(f);
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void benchmarkContextMade() {
  swap(&genTextures, epoxy_glGenTextures, countGenTextures, "glGenTextures");
  swap(&deleteTextures, epoxy_glDeleteTextures, countDeleteTextures, "glDeleteTextures");
  swap(&bindTexture, epoxy_glBindTexture, countBindTexture, "glBindTexture");
  swap(&genBuffers, epoxy_glGenBuffers, countGenBuffers, "glGenBuffers");
  swap(&genFramebuffers, epoxy_glGenFramebuffers, countGenFramebuffers, "glGenFramebuffers");
  swap(&genRenderbuffers, epoxy_glGenRenderbuffers, countGenRenderbuffers, "glGenRenderbuffers");
  swap(&genVertexArrays, epoxy_glGenVertexArrays, countGenVertexArrays, "glGenVertexArrays");
  swap(&genSamplers, epoxy_glGenSamplers, countGenSamplers, "glGenSamplers");
  swap(&createProgram, epoxy_glCreateProgram, countCreateProgram, "glCreateProgram");
  swap(&createShader, epoxy_glCreateShader, countCreateShader, "glCreateShader");
  run.stats.countsObjects = true;
}

void benchmarkStart(int width, int height) {
  run.width = width;
  run.height = height;
  // A software rasteriser's timer queries leave out its rasterising
  // threads: there the CPU is the GPU, and wall time tells the cost.
  GLint bits = 0;
  glGetQueryiv(GL_TIME_ELAPSED, GL_QUERY_COUNTER_BITS, &bits);
  run.gpuTime = bits > 0 && !gl4duIsSoftwareRasterizer();
  if (run.gpuTime) glGenQueries(1, &run.query);
  makeReferencePass();
  timeReferencePass(15);
  run.stats.keepRows();
}

void benchmarkFrameBegin() {
  glFinish();
  run.madeBefore = made;
  run.frameStart = nowMs();
  if (run.gpuTime) glBeginQuery(GL_TIME_ELAPSED, run.query);
}

void benchmarkFrameEnd(double showMs) {
  const double ms = frameMs();
  if (run.firstFrameShownMs < 0) run.firstFrameShownMs = sinceLoadMs();
  const int row = gl4dhGetCurrentRow();
  run.stats.frames.push_back({showMs, row, ms, made - run.madeBefore});
  if (row < 0 && !run.stats.rows.empty() && showMs >= run.stats.rows.back().endMs) {
    run.residentAtLast = residentMb();
    if (!run.framesAfter++) run.residentAtEnd = run.residentAtLast;
    run.madeAfter += made - run.madeBefore;
  }
}

void benchmarkLastFrame() {
  run.textureMb = textureMegabytes();
  timeReferencePass(15);
}

void benchmarkReport(const std::string &path, int width, int height, int fps) {
  run.stats.referenceMs = medianMs(run.reference);
  const char *timing = run.gpuTime ? "GPU time (timer queries)" : "wall time between glFinish";
  std::printf("gl4d benchmark: %dx%d, %d fps, %zu frames, %s; reference pass %.3f ms\n", width, height, fps,
              run.stats.frames.size(), timing, run.stats.referenceMs);
  run.stats.print(stdout);
  std::printf("start-up: before the window (the archives) %.0f ms, window %.0f ms, shared resources %.0f ms, "
              "scene initialisations %.0f ms; first frame done at %.0f ms\n",
              phaseMs[kBeforeWindow], phaseMs[kWindow], phaseMs[kSharedResources], phaseMs[kSceneInitialisations],
              run.firstFrameShownMs);
  std::printf("memory: peak resident %.1f MB, textures %.1f MB\n", peakResidentMb(), run.textureMb);
  if (run.framesAfter)
    std::printf("after the show: %zu frames, %u GL objects made, resident %.1f MB at its end and %.1f MB at the "
                "last frame\n", run.framesAfter, run.madeAfter, run.residentAtEnd, run.residentAtLast);
  std::fflush(stdout);
  if (path.empty()) return;
  FILE *out = std::fopen(path.c_str(), "w");
  if (!out) {
    std::fprintf(stderr, "gl4d: cannot write %s\n", path.c_str());
    return;
  }
  std::fprintf(out, "{\n  \"width\": %d,\n  \"height\": %d,\n  \"fps\": %d,\n  \"timing\": \"%s\",\n", width, height, fps,
               run.gpuTime ? "gpu" : "wall");
  std::fprintf(out,
               "  \"startup_ms\": {\"before_window\": %.1f, \"window\": %.1f, \"shared_resources\": %.1f, "
               "\"scene_initialisations\": %.1f, \"first_frame_done\": %.1f},\n",
               phaseMs[kBeforeWindow], phaseMs[kWindow], phaseMs[kSharedResources], phaseMs[kSceneInitialisations],
               run.firstFrameShownMs);
  std::fprintf(out, "  \"peak_resident_mb\": %.1f,\n  \"texture_mb\": %.1f,\n", peakResidentMb(), run.textureMb);
  run.stats.json(out);
  std::fprintf(out, "}\n");
  if (std::fclose(out) != 0) std::fprintf(stderr, "gl4d: cannot write %s\n", path.c_str());
}

/* --gl4d-stats: the time from one shown frame to the next, as the viewer
 * sees it (with the swap waiting for the screen's refresh). */
namespace {
FrameStats live;
double lastShown = -1;
}  // namespace

void statsFrameShown() {
  live.keepRows();
  const double now = nowMs();
  if (lastShown >= 0) live.frames.push_back({showElapsedMs(), gl4dhGetCurrentRow(), now - lastShown, 0});
  lastShown = now;
}

void statsReport() {
  std::printf("gl4d stats: %zu frames shown, the time from each to the next\n", live.frames.size());
  live.print(stdout);
  std::fflush(stdout);
}

}  // namespace gl4d
