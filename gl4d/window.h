/* Window and event loop: one SDL window with an OpenGL 3.3 core context. */
#ifndef GL4D_WINDOW_H
#define GL4D_WINDOW_H

#include <SDL2/SDL.h>
#include "gl4d/api.h"

GL4D_BEGIN_DECLS

/* Initialises SDL's video, creates the window (SDL_WINDOW_OPENGL is added to
 * flags) and makes its context current. argc and argv are the program's own.
 * Returns GL_FALSE, after a line on stderr, when anything fails. */
GL4D_API GLboolean gl4duwCreateWindow(int argc, char **argv, const char *title,
                                      int x, int y, int width, int height,
                                      Uint32 flags);

/* Callbacks of the loop. Key codes are SDL key codes (Escape 27, q 113);
 * resize reports the drawable size in pixels. */
GL4D_API void gl4duwResizeFunc(void (*func)(int width, int height));
GL4D_API void gl4duwKeyDownFunc(void (*func)(int keycode));
GL4D_API void gl4duwDisplayFunc(void (*func)(void));

/* Handles events and calls the display callback once a frame, then swaps.
 * Returns when the window is closed (SDL_QUIT). */
GL4D_API void gl4duwMainLoop(void);

/* The window made by gl4duwCreateWindow, or NULL. */
GL4D_API SDL_Window *gl4duwGetSDL_Window(void);

GL4D_END_DECLS

#endif
