// honeyfold: the entry point. Unpacks the archives, opens the window, hands
// the timeline to the scene manager, starts the audio and runs the loop;
// everything after that happens in callbacks.
#include <cstdlib>

#include "animations.h"
#include "audioHelper.h"
#include "credits.h"
#include "gl4d/gl4d.h"
#include "spi.h"
#include "unzip/miniunz.h"

// Current drawable size in pixels: width, height.
static float _dim[] = {1920.0f, 1080.0f};

// The whole show: 29 rows and the all-zero row that ends the table.
static GL4DHanime _animations[] = {
    {1000, noir, nullptr, nullptr},
    {9000, noir, huit, fondu},
    {11040, huit, nullptr, nullptr},
    {4500, rouge, nullptr, nullptr},
    {200, rouge, vert, fondu},
    {20, vert, nullptr, nullptr},
    {16000, beep, nullptr, nullptr},
    {8000, beep, spi, fondu},
    {10000, spi, nullptr, nullptr},
    {2000, spi, beebegin, fondu},
    {27000, beebegin, nullptr, nullptr},
    {500, beebegin, bee2, fondu},
    {3000, bee2, nullptr, nullptr},
    {1000, bee2, bee3, fondu},
    {3000, bee3, nullptr, nullptr},
    {1000, bee3, bee2, fondu},
    {2000, bee2, nullptr, nullptr},
    {1000, bee2, bee3, fondu},
    {2500, bee3, nullptr, nullptr},
    {500, bee3, bee4, fondu},
    {12000, bee4, nullptr, nullptr},
    {3000, bee4, bee5, fondu},
    {7000, bee5, nullptr, nullptr},
    {3000, bee5, bee6, fondu},
    {2000, bee6, nullptr, nullptr},
    {3000, bee6, bee7, fondu},
    {4000, bee7, nullptr, nullptr},
    // Back from bee7 to bee6, which dissolves into the credits.
    {5000, bee6, credits, fondu},
    {6200, credits, nullptr, nullptr},
    {0, nullptr, nullptr, nullptr},
};

static void keydown(int key) {
  if (key == 27 || key == 113) exit(0);  // Escape, q
}

static void resize(int width, int height) {
  _dim[0] = static_cast<float>(width);
  _dim[1] = static_cast<float>(height);
  glViewport(0, 0, static_cast<int>(_dim[0]), static_cast<int>(_dim[1]));
}

static void quit(void) {
  ahClean(1000);
  SDL_ShowCursor(1);
  gl4duClean(0xFFFFFFFFu);
}

int main(int argc, char **argv) {
  muExtrFile1();
  muExtrFile2();
  if (!gl4duwCreateWindow(argc, argv, "honeyfold", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                          static_cast<int>(_dim[0]), static_cast<int>(_dim[1]),
                          SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE))
    return 1;
  SDL_GL_SetSwapInterval(1);
  SDL_ShowCursor(0);
  glClearColor(0.2f, 0.2f, 0.2f, 0.0f);
  gl4dhInit(_animations, static_cast<GLuint>(_dim[0]), static_cast<GLuint>(_dim[1]), animationsInit);
  resize(static_cast<int>(_dim[0]), static_cast<int>(_dim[1]));
  atexit(quit);
  gl4duwResizeFunc(resize);
  gl4duwKeyDownFunc(keydown);
  gl4duwDisplayFunc(gl4dhDraw);
  ahInitAudio("audio/velvora.mod");
  gl4duwMainLoop();
  return 0;
}
