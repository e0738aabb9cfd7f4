// The show's dearest kinds of frame, each drawn over and over at one moment:
// the sound trace (beep) at 24, 30, 60 and 144 frames a second, whose frames
// move on by that rate's step (a trace frame is the span since the last one),
// and a frame of every kind of bee row: the opening flight's chase
// (beebegin), the flat chase with its edge filters (bee2) and its cross-fade
// into bee3, the end of the climb in relief (bee4), the high chase over the
// brown relief (bee5), its filtered scenes (bee6, bee7) and the cross-fades
// between them, each reached through the show's frames in its order, so that
// the bee flies at the height the climb leaves it. For each: the median frame
// in ms and in copies, the CPU time it takes (all threads, and the calling
// thread, which on llvmpipe runs the vertex stage and the triangle set-up,
// where the rasteriser threads shade the fragments: the vertex stage's
// share): CPU time holds up on a loaded machine where wall time does not.
// Then the vertex-shader invocations of one frame where the driver counts
// them (ARB_pipeline_statistics_query). Without a size, at 640 x 360 and then
// at 1920 x 1080 (a run of its own). Run from the build directory.
//   bench_frames [width height] [--only NAME] [--frames N]
// --only draws one kind N times (default 40) after the frames that reach it
// (those of the bee kinds before it too) and prints its time: the loop to
// run under perf. With BENCH_PERF_FIFO set
// to perf's control fifo, only that loop is recorded:
//   mkfifo ctl; BENCH_PERF_FIFO=ctl perf record -D -1 --control fifo:ctl --
//       bench/frames/bench_frames 640 360 --only bee4
// Under valgrind's callgrind (which counts instructions, whatever the load),
// only that loop is instrumented:
//   valgrind --tool=callgrind --instr-atstart=no --separate-threads=yes
//       bench/frames/bench_frames 640 360 --only bee5 --frames 2 --reach-fps 5
// (--reach-fps: the frames per second that reach the moment, default 30).
// --png DIR writes each kind's frame at its moment as DIR/KIND.png: the same
// frame from two builds, for a pixel-for-pixel comparison (or the trace's at
// four rates).
#include <epoxy/gl.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS
#endif

#include "animations.h"
#include "support/copies.h"

void ahSetStep(int) {}
void ahSetStepAt(int, double) {}
long ahGetAudioStreamFrame(void) { return 0; }
void ahSetNeige(int) {}
float ahAverage(void) { return 120.0f; }
int ahPathLength(void) { return 0; }

namespace {

int W = 640, H = 360, reachFps = 30;
bench::Target frame;
double origin = 0.0;

void bind() {
  glBindFramebuffer(GL_FRAMEBUFFER, frame.fbo);
  glViewport(0, 0, W, H);
}

struct Kind {
  const char *name;
  void (*scene)(int);
  double at;   // seconds on the scene's clock
  int fps = 0;  // the trace's rate: each frame one step later; 0 holds the clock
};
// The cross-fades half way through, as the timeline has them.
void bee2bee3(int state) { fondu(bee2, bee3, 1000, 500, state); }
void bee4bee5(int state) { fondu(bee4, bee5, 3000, 1500, state); }
void bee5bee6(int state) { fondu(bee5, bee6, 3000, 1500, state); }
void bee6bee7(int state) { fondu(bee6, bee7, 3000, 1500, state); }
// The bee rows go through the show's frames up to their moment (30 fps), as
// the chase integrates the bee's flight frame by frame; the trace at its rate.
const Kind kinds[] = {{"beep24", beep, 4.0, 24},    {"beep30", beep, 4.0, 30},    {"beep60", beep, 4.0, 60},
                      {"beep144", beep, 4.0, 144},  {"beebegin", beebegin, 20.0}, {"bee2", bee2, 1.0},
                      {"bee2>bee3", bee2bee3, 0.5}, {"bee4", bee4, 9.0},          {"bee4>bee5", bee4bee5, 1.5},
                      {"bee5", bee5, 2.0},          {"bee5>bee6", bee5bee6, 1.5}, {"bee6", bee6, 2.0},
                      {"bee6>bee7", bee6bee7, 1.5}, {"bee7", bee7, 2.0}};

void reach(const Kind &k) {
  origin += 1000.0 * 1000.0;  // a fresh clock for each scene
  if (k.fps) beep(3), gl4dhResetTimes();  // and a fresh trace, its clock from its first frame
  const int fps = k.fps ? k.fps : reachFps;
  for (int f = 0; f <= static_cast<int>(k.at * fps); ++f) {
    gl4dSetElapsedTime(origin + f * 1000.0 / fps);
    bind();
    k.scene(2);
  }
  gl4dSetElapsedTime(origin + k.at * 1000.0);
}

// One frame of k: the trace's a step after its last.
void draw(const Kind &k) {
  if (k.fps) gl4dSetElapsedTime(gl4dGetElapsedTime() + 1000.0 / k.fps);
  bind();
  k.scene(2);
}

double clockMs(clockid_t id) {
  timespec t{};
  clock_gettime(id, &t);
  return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

// Medians over frames of the CPU time of one frame, all threads and this one.
void cpuMs(const Kind &k, int frames, double *all, double *main) {
  std::vector<double> a, m;
  for (int i = 0; i < frames; ++i) {
    glFinish();
    const double a0 = clockMs(CLOCK_PROCESS_CPUTIME_ID), m0 = clockMs(CLOCK_THREAD_CPUTIME_ID);
    draw(k);
    glFinish();
    a.push_back(clockMs(CLOCK_PROCESS_CPUTIME_ID) - a0);
    m.push_back(clockMs(CLOCK_THREAD_CPUTIME_ID) - m0);
  }
  std::sort(a.begin(), a.end());
  std::sort(m.begin(), m.end());
  *all = a[a.size() / 2], *main = m[m.size() / 2];
}

// Tells a waiting perf to start (true) or stop recording.
void perfControl(bool on) {
  static FILE *fifo = std::getenv("BENCH_PERF_FIFO") ? std::fopen(std::getenv("BENCH_PERF_FIFO"), "w") : nullptr;
  glFinish();
  if (on) {
    CALLGRIND_ZERO_STATS;
    CALLGRIND_START_INSTRUMENTATION;
  } else {
    CALLGRIND_STOP_INSTRUMENTATION;
    CALLGRIND_DUMP_STATS;
  }
  if (!fifo) return;
  std::fputs(on ? "enable\n" : "disable\n", fifo);
  std::fflush(fifo);
}

GLuint64 vertexInvocations(const Kind &k) {
  if (!epoxy_has_gl_extension("GL_ARB_pipeline_statistics_query")) return 0;
  GLuint q = 0;
  glGenQueries(1, &q);
  glBeginQuery(GL_VERTEX_SHADER_INVOCATIONS_ARB, q);
  draw(k);
  glEndQuery(GL_VERTEX_SHADER_INVOCATIONS_ARB);
  GLuint64 n = 0;
  glGetQueryObjectui64v(q, GL_QUERY_RESULT, &n);
  glDeleteQueries(1, &q);
  return n;
}

}  // namespace

int main(int argc, char **argv) {
  const char *only = nullptr, *png = nullptr;
  int frames = 40, sizes = 0, size[2] = {W, H};
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--only") && i + 1 < argc) only = argv[++i];
    else if (!std::strcmp(argv[i], "--frames") && i + 1 < argc) frames = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--png") && i + 1 < argc) png = argv[++i];
    else if (!std::strcmp(argv[i], "--reach-fps") && i + 1 < argc) reachFps = std::max(1, std::atoi(argv[++i]));
    else if (sizes < 2 && std::atoi(argv[i]) > 0) size[sizes++] = std::atoi(argv[i]);
    else {
      std::fprintf(stderr, "usage: %s [width height] [--only KIND] [--frames N] [--reach-fps N] [--png DIR]\n", argv[0]);
      return 2;
    }
  }
  W = size[0], H = size[1];
  // One seed in every run (the opening flight's wing beat draws from it):
  // the same frames from run to run and from build to build.
  char seed[] = "--gl4d-seed=1";
  char *options[] = {argv[0], seed, nullptr};
  bench::openContext(2, options);
  frame = bench::makeTarget(W, H);
  bench::attachDepth(frame);
  bind();
  animationsInit();
  fondu(nullptr, nullptr, 0, 0, 0);  // the cross-fade's textures and program
  gl4dSetManualClock(GL_TRUE);
  origin = 1000.0 * 1000.0;  // the same clock readings in every run: the same frames
  gl4dSetElapsedTime(origin);
  bench::Target src = bench::makeTarget(W, H), dst = bench::makeTarget(W, H);
  const bench::ReferencePass reference(src, dst);
  std::printf("%d x %d, reference pass %.3f ms\n", W, H, bench::referencePassMs(src, dst));
  bool done = false;  // --only: its kind is drawn
  for (const Kind &k : kinds) {
    if (only && (done || std::strcmp(only, k.name))) {
      // The bee kinds before it are reached all the same: the world moves on
      // through them as in the show (the climb lifts the bee for bee5 to bee7).
      if (!done && !k.fps) reach(k);
      continue;
    }
    done = true;
    reach(k);
    if (png) {  // the frame at the moment itself (a trace frame with no time since its last adds nothing)
      bind();
      k.scene(2);
      std::vector<GLubyte> pixels(static_cast<size_t>(W) * H * 4);
      glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
      gl4dWritePng((std::string(png) + "/" + k.name + ".png").c_str(), W, H, pixels.data(), GL_FALSE);
      continue;
    }
    if (only) {
      perfControl(true);
      const double ms = bench::medianMs([&] { draw(k); }, frames, 0);
      perfControl(false);
      std::printf("%-9s median of %d frames: %8.2f ms\n", k.name, frames, ms);
      continue;
    }
    double ms = 0.0, all = 0.0, main = 0.0;
    const double copies = bench::medianCopies([&] { draw(k); }, reference, 9, 1, &ms);
    cpuMs(k, 9, &all, &main);
    std::printf("%-9s %8.2f ms %8.2f copies  CPU %8.2f ms (this thread %7.2f)  %9llu vertex-shader invocations\n",
                k.name, ms, copies, all, main, static_cast<unsigned long long>(vertexInvocations(k)));
    std::fflush(stdout);
  }
  bench::freeTarget(src);
  bench::freeTarget(dst);
  // Without a size, both: this run at 640 x 360, then one of its own at
  // 1920 x 1080 (the cross-fade's textures take the first frame's size).
  if (sizes > 0 || png) return 0;
  std::string again = std::string(argv[0]) + " 1920 1080";
  for (int i = 1; i < argc; ++i) again += std::string(" '") + argv[i] + "'";
  std::fflush(stdout);
  return std::system(again.c_str()) == 0 ? 0 : 1;
}
