// The window and its event loop: SDL2 with an OpenGL 3.3 core context.
#include "gl4d/window.h"

#include <cstdio>
#include <cstdlib>

#include "gl4d/core/internal.h"
#include "gl4d/offline/session.h"

namespace {

struct WindowState {
  SDL_Window *window = nullptr;
  SDL_GLContext context = nullptr;
  void (*resize)(int, int) = nullptr;
  void (*keydown)(int) = nullptr;
  void (*display)(void) = nullptr;
};

WindowState w;

// Registered at creation, so it runs after every exit handler the program
// registers later: those still have a current context, and a capture can be
// written out once the program has closed its sound. on_exit rather than
// atexit: whether the program is ending well decides what an offline run
// leaves behind.
void closeWindow(int status, void *) {
  gl4d::finishSession(status);
  gl4d::reportGlDebug();
  if (w.context) SDL_GL_DeleteContext(w.context);
  if (w.window) SDL_DestroyWindow(w.window);
  w.context = nullptr;
  w.window = nullptr;
  SDL_Quit();
  gl4d::endByStopSignal();
}

// SDL falls back to its offscreen driver when no display answers; a demo
// without a screen is a failure unless that driver was asked for (tests).
bool displayUsable() {
  const char *driver = SDL_GetCurrentVideoDriver();
  if (!driver || (SDL_strcmp(driver, "offscreen") != 0 && SDL_strcmp(driver, "dummy") != 0)) return true;
  const char *asked = SDL_getenv("SDL_VIDEODRIVER");
  return asked && SDL_strcasecmp(asked, driver) == 0;
}

// Full screen on the desktop: the window is made at its display's corner
// and size, so that it covers the display exactly whether a window manager
// makes it full screen or none is there (then nothing would size it, and
// SDL would centre a larger window off the screen's edges).
void coverDisplay(int *x, int *y, int *width, int *height) {
  int display = 0;
  if (SDL_WINDOWPOS_ISUNDEFINED(*x) || SDL_WINDOWPOS_ISCENTERED(*x)) {
    display = *x & 0xFFFF;
  } else {
    const SDL_Point corner = {*x, *y};
    display = SDL_GetPointDisplayIndex(&corner);
  }
  SDL_Rect bounds;
  if (display < 0 || display >= SDL_GetNumVideoDisplays()) display = 0;
  if (SDL_GetDisplayBounds(display, &bounds) != 0) return;
  *x = bounds.x, *y = bounds.y, *width = bounds.w, *height = bounds.h;
}

void reportResize() {
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(w.window, &width, &height);
  if (w.resize) w.resize(width, height);
}

// Returns false once the loop must end.
bool handleEvent(const SDL_Event &e) {
  switch (e.type) {
    case SDL_QUIT:
      return false;
    case SDL_KEYDOWN:
      if (w.keydown) w.keydown(static_cast<int>(e.key.keysym.sym));
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) reportResize();
      break;
    case SDL_AUDIODEVICEREMOVED:
      // An open output lost (its sound server stopped): SDL goes on calling
      // the program's audio callback at its rate, into nothing, and an open
      // device never comes back; the show goes on in silence.
      if (!e.adevice.iscapture)
        std::fprintf(stderr, "gl4d: the sound output is gone; the show goes on without sound\n");
      break;
    default:
      break;
  }
  return true;
}

}  // namespace

GLboolean gl4duwCreateWindow(int argc, char **argv, const char *title, int x, int y, int width, int height,
                             Uint32 flags) {
  if (w.window) return GL_TRUE;  // one window per process
  gl4d::phaseMs[gl4d::kBeforeWindow] = gl4d::sinceLoadMs();
  const double asked = gl4d::sinceLoadMs();
  // The layer's own options; the program's argv stays as it is.
  if (!gl4d::configureSession(argc, argv)) return GL_FALSE;
  gl4d::offlineWindow(&width, &height, &flags);
  gl4d::liveWindow(&width, &height, &flags);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "gl4duwCreateWindow: %s\n", SDL_GetError());
    gl4d::abandonSession();
    return GL_FALSE;
  }
  if (!displayUsable()) {
    std::fprintf(stderr, "gl4duwCreateWindow: no display available\n");
    SDL_Quit();
    gl4d::abandonSession();
    return GL_FALSE;
  }
  static bool registered = false;
  if (!registered) registered = on_exit(closeWindow, nullptr) == 0;
  if ((flags & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP) coverDisplay(&x, &y, &width, &height);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  if (gl4d::glDebugAsked()) SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_DEBUG_FLAG);
  w.window = SDL_CreateWindow(title ? title : "", x, y, width, height, flags | SDL_WINDOW_OPENGL);
  if (!w.window) {
    std::fprintf(stderr, "gl4duwCreateWindow: %s\n", SDL_GetError());
    gl4d::abandonSession();
    return GL_FALSE;
  }
  w.context = SDL_GL_CreateContext(w.window);
  if (!w.context || SDL_GL_MakeCurrent(w.window, w.context) != 0) {
    std::fprintf(stderr, "gl4duwCreateWindow: %s\n", SDL_GetError());
    SDL_DestroyWindow(w.window);
    w.window = nullptr;
    gl4d::abandonSession();
    return GL_FALSE;
  }
  if (gl4d::glDebugAsked()) gl4d::startGlDebug();
  gl4d::contextMade();
  gl4d::phaseMs[gl4d::kWindow] = gl4d::sinceLoadMs() - asked;
  return GL_TRUE;
}

void gl4duwResizeFunc(void (*func)(int, int)) { w.resize = func; }
void gl4duwKeyDownFunc(void (*func)(int)) { w.keydown = func; }
void gl4duwDisplayFunc(void (*func)(void)) { w.display = func; }

SDL_Window *gl4duwGetSDL_Window(void) { return w.window; }

void gl4duwMainLoop(void) {
  if (!w.window) return;
  const bool offline = gl4d::offlineSession();
  for (;;) {
    SDL_Event e;
    while (SDL_PollEvent(&e))
      if (!handleEvent(e)) return;
    // Offline frames are read back, not shown: no swap.
    if (offline) {
      if (!gl4d::beginOfflineFrame()) return;
      if (w.display) w.display();
      gl4d::endOfflineFrame();
      continue;
    }
    if (w.display) w.display();
    SDL_GL_SwapWindow(w.window);
    gl4d::liveFrameShown();
    if (gl4d::liveStopReached()) return;
  }
}
