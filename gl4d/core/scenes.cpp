// The scene manager: a table of rows played against the layer's clock into
// a framebuffer of its own, presented over the drawable in its own shape.
#include "gl4d/scenes.h"

#include <SDL2/SDL.h>
#include <cxxabi.h>
#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gl4d/clock.h"
#include "gl4d/core/internal.h"
#include "gl4d/core/sound_clock.h"
#include "gl4d/offline/session.h"

namespace {

struct Manager {
  std::atomic<GL4DHanime *> table{nullptr};  // read by the audio thread too
  std::vector<GLuint> rowStarts;  // cumulative start of each row, ms
  std::vector<std::string> firstNames, secondNames;  // the rows' scenes, by name ("" for none)
  GLuint width = 0, height = 0;
  GLuint fbo = 0, colorTex = 0, depthRb = 0;
  bool started = false;
  double showStart = 0.0;
  double shown = 0.0;  // show time of the last frame drawn
  // Read by the audio thread in gl4dhUpdateWithAudio.
  std::atomic<int> currentRow{-1};
  std::atomic<GLuint> currentElapsed{0};
};

Manager m;

void bindFrame() {
  glBindFramebuffer(GL_FRAMEBUFFER, m.fbo);
  glViewport(0, 0, static_cast<GLsizei>(m.width), static_cast<GLsizei>(m.height));
}

// Calls fn once for each distinct function of the table: scenes as
// fn(scene, nullptr, row), transitions as fn(nullptr, transition, row).
template <typename Fn>
void forEachDistinctFunction(Fn fn) {
  std::vector<void *> seen;
  auto firstTime = [&seen](void *f) {
    if (!f || std::find(seen.begin(), seen.end(), f) != seen.end()) return false;
    seen.push_back(f);
    return true;
  };
  for (size_t i = 0; i < m.rowStarts.size(); ++i) {
    const GL4DHanime &row = m.table.load(std::memory_order_relaxed)[i];
    if (firstTime(reinterpret_cast<void *>(row.first))) fn(row.first, nullptr, row);
    if (firstTime(reinterpret_cast<void *>(row.second))) fn(row.second, nullptr, row);
    if (firstTime(reinterpret_cast<void *>(row.mix))) fn(nullptr, row.mix, row);
  }
}

void sendToAll(int state) {
  forEachDistinctFunction([state](GL4DHscene scene, GL4DHtransition mix, const GL4DHanime &row) {
    if (state == 0) bindFrame();  // an initialisation may have bound another framebuffer
    if (scene) scene(state);
    if (mix) mix(row.first, row.second, row.duration, 0, state);
  });
}

// Finds the row playing at t ms into the show, -1 after the last.
int rowAt(double t, GLuint *elapsed) {
  for (size_t i = 0; i < m.rowStarts.size(); ++i) {
    const GLuint duration = m.table.load(std::memory_order_relaxed)[i].duration;
    const double end = static_cast<double>(m.rowStarts[i]) + duration;
    if (t < end) {
      const double e = std::floor(t - m.rowStarts[i]);
      *elapsed = std::min(duration, static_cast<GLuint>(std::max(0.0, e)));
      return static_cast<int>(i);
    }
  }
  return -1;
}

// The frame over the drawable in its own shape: as large as it fits,
// centred, on black (bars above and below on a taller screen, at the sides
// on a wider one).
void present() {
  SDL_Window *window = SDL_GL_GetCurrentWindow();
  if (!window) return;
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(window, &dw, &dh);
  const long long fw = m.width, fh = m.height;
  long long pw = dw, ph = dh;  // the picture, rounded to whole pixels
  if (dw * fh > dh * fw)
    pw = (2 * dh * fw + fh) / (2 * fh);
  else
    ph = (2 * dw * fh + fw) / (2 * fw);
  const auto x0 = static_cast<GLint>((dw - pw) / 2), y0 = static_cast<GLint>((dh - ph) / 2);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, m.fbo);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  if (pw != dw || ph != dh) {  // the bars, with the program's clear colour and scissor as they were
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    if (scissor) glEnable(GL_SCISSOR_TEST);
  }
  glBlitFramebuffer(0, 0, static_cast<GLint>(m.width), static_cast<GLint>(m.height), x0, y0,
                    x0 + static_cast<GLint>(pw), y0 + static_cast<GLint>(ph), GL_COLOR_BUFFER_BIT, GL_LINEAR);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

}  // namespace

void gl4dhInit(GL4DHanime *table, GLuint width, GLuint height, void (*init)(void)) {
  if (m.table.load(std::memory_order_relaxed)) gl4d::releaseScenes();
  gl4d::soundClock().restart();  // a table set again plays from its start
  // An offline run renders the show at its own frame size.
  gl4d::sceneFrameSize(&width, &height);
  m.width = width;
  m.height = height;
  m.rowStarts.clear();
  GLuint start = 0;
  m.firstNames.clear();
  m.secondNames.clear();
  for (GL4DHanime *row = table; row && row->duration; ++row) {
    m.rowStarts.push_back(start);
    start += row->duration;
    m.firstNames.push_back(row->first ? gl4d::functionName(reinterpret_cast<void *>(row->first)) : "");
    m.secondNames.push_back(row->second ? gl4d::functionName(reinterpret_cast<void *>(row->second)) : "");
  }
  gl4d::noteShowLength(start);
  std::vector<std::pair<GL4DHscene, double>> firstRows;
  for (size_t i = 0; i < m.rowStarts.size(); ++i)
    for (GL4DHscene scene : {table[i].first, table[i].second}) firstRows.emplace_back(scene, m.rowStarts[i]);
  gl4d::startSceneTimes(firstRows);
  m.started = false;
  m.currentRow.store(-1, std::memory_order_relaxed);
  m.table.store(table, std::memory_order_relaxed);

  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLint previousTex = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTex);
  glGenTextures(1, &m.colorTex);
  glBindTexture(GL_TEXTURE_2D, m.colorTex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0, GL_RGBA,
               GL_UNSIGNED_BYTE, nullptr);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previousTex));
  glGenRenderbuffers(1, &m.depthRb);
  glBindRenderbuffer(GL_RENDERBUFFER, m.depthRb);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, static_cast<GLsizei>(width),
                        static_cast<GLsizei>(height));
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  glGenFramebuffers(1, &m.fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, m.fbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m.colorTex, 0);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m.depthRb);

  bindFrame();
  double t = gl4d::sinceLoadMs();
  if (init) init();
  gl4d::phaseMs[gl4d::kSharedResources] = gl4d::sinceLoadMs() - t;
  t = gl4d::sinceLoadMs();
  sendToAll(0);
  gl4d::prepareFilters(static_cast<int>(width), static_cast<int>(height));
  gl4d::phaseMs[gl4d::kSceneInitialisations] = gl4d::sinceLoadMs() - t;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

void gl4dhDraw(void) {
  GL4DHanime *table = m.table.load(std::memory_order_relaxed);
  if (!table) return;
  const double now = gl4dGetElapsedTime();
  if (!m.started) {
    m.started = true;
    m.showStart = now;
  }
  // Offline, frames are the clock's, and so is a clock set by hand; live,
  // the sound's.
  const double show =
      gl4d::offlineSession() || gl4d::manualClockOn() ? now - m.showStart : gl4d::soundClock().frame(now);
  m.shown = show;
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLuint elapsed = 0;
  const int r = rowAt(show, &elapsed);
  m.currentElapsed.store(elapsed, std::memory_order_relaxed);
  m.currentRow.store(r, std::memory_order_relaxed);
  bindFrame();
  if (r >= 0) {
    // Named after its scenes, so that a frame debugger shows which row drew what.
    static const bool groups = epoxy_gl_version() >= 43 || epoxy_has_gl_extension("GL_KHR_debug");
    if (groups) glPushDebugGroup(GL_DEBUG_SOURCE_APPLICATION, static_cast<GLuint>(r), -1, gl4d::rowScenes(r).c_str());
    const GL4DHanime &row = table[r];
    gl4d::beginSceneTimes(show, row.first, row.second);
    if (row.mix)
      row.mix(row.first, row.second, row.duration, elapsed, 2);
    else if (row.first)
      row.first(2);
    gl4d::endSceneTimes();
    if (groups) glPopDebugGroup();
  }
  if (!gl4d::offlineSession()) present();  // offline frames are read from the framebuffer
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

void gl4dhUpdateWithAudio(void) {
  GL4DHanime *table = m.table.load(std::memory_order_relaxed);
  const int r = m.currentRow.load(std::memory_order_relaxed);
  if (table && r >= 0) {
    const GL4DHanime &row = table[r];
    if (row.mix)
      row.mix(row.first, row.second, row.duration, m.currentElapsed.load(std::memory_order_relaxed), 1);
    else if (row.first)
      row.first(1);
  }
  // Every block, the show's or not: an offline run counts them all.
  gl4d::afterSoundBlock();
}

double gl4d::showElapsedMs() {
  if (!m.started) return -1.0;
  return gl4d::offlineSession() ? gl4dGetElapsedTime() - m.showStart : m.shown;
}

double gl4dhFirstRowStart(GL4DHscene scene) {
  const GL4DHanime *table = m.table.load(std::memory_order_relaxed);
  for (size_t i = 0; scene && table && i < m.rowStarts.size(); ++i)
    if (table[i].first == scene || table[i].second == scene) return m.rowStarts[i];
  return -1.0;
}

int gl4dhRowAt(double ms, GL4DHscene scenes[2], double starts[2]) {
  GL4DHanime *table = m.table.load(std::memory_order_relaxed);
  GLuint elapsed = 0;
  const int r = table ? rowAt(ms, &elapsed) : -1;
  scenes[0] = r >= 0 ? table[r].first : nullptr;
  scenes[1] = r >= 0 && table[r].second != table[r].first ? table[r].second : nullptr;
  for (int i = 0; i < 2; ++i) starts[i] = gl4d::sceneStart(scenes[i]);
  return r >= 0;
}

gl4d::SoundClock &gl4d::soundClock() {
  static SoundClock clock;
  return clock;
}

double gl4dhSoundBlock(int frames, int rate) {
  double ms = gl4d::soundClock().block(frames, rate, gl4dGetElapsedTime());
  gl4d::offlineSoundBlockMs(&ms);  // offline, the lock-step's count
  return ms;
}

int gl4dhGetCurrentRow(void) { return m.currentRow.load(std::memory_order_relaxed); }
GLuint gl4dhGetFramebuffer(void) { return m.fbo; }
GLuint gl4dhGetColorTexture(void) { return m.colorTex; }

std::vector<gl4d::RowInfo> gl4d::tableRows() {
  std::vector<RowInfo> rows;
  const GL4DHanime *table = m.table.load(std::memory_order_relaxed);
  for (size_t i = 0; table && i < m.rowStarts.size(); ++i)
    rows.push_back({static_cast<double>(m.rowStarts[i]), static_cast<double>(m.rowStarts[i] + table[i].duration),
                    reinterpret_cast<void *>(table[i].first), reinterpret_cast<void *>(table[i].second),
                    m.firstNames[i], m.secondNames[i]});
  return rows;
}

std::string gl4d::functionName(void *f) {
  Dl_info info;
  if (f && dladdr(f, &info) && info.dli_sname && info.dli_saddr == f) {
    int status = 0;
    char *plain = abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status);
    std::string name = status == 0 && plain ? plain : info.dli_sname;
    std::free(plain);
    return name.substr(0, name.find('('));
  }
  char address[32];
  std::snprintf(address, sizeof address, "%p", f);
  return address;
}

std::string gl4d::rowScenes(int row) {
  if (row < 0 || row >= static_cast<int>(m.rowStarts.size())) return "";
  const auto r = static_cast<size_t>(row);
  return m.firstNames[r] + (m.secondNames[r].empty() ? "" : " > " + m.secondNames[r]);
}

void gl4d::releaseScenes() {
  if (!m.table.load(std::memory_order_relaxed)) return;
  m.currentRow.store(-1, std::memory_order_relaxed);
  sendToAll(3);
  glDeleteFramebuffers(1, &m.fbo);
  glDeleteRenderbuffers(1, &m.depthRb);
  glDeleteTextures(1, &m.colorTex);
  m.fbo = m.depthRb = m.colorTex = 0;
  m.table.store(nullptr, std::memory_order_relaxed);
  m.rowStarts.clear();
}
