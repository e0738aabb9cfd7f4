/* The scene manager: plays a table of rows against the layer's clock. Each
 * row shows one scene, or a transition between two, for its duration. Scene
 * functions receive a state: 0 initialise, 1 audio update (audio thread),
 * 2 draw, 3 free. */
#ifndef GL4D_SCENES_H
#define GL4D_SCENES_H

#include "gl4d/api.h"

GL4D_BEGIN_DECLS

typedef void (*GL4DHscene)(int state);
typedef void (*GL4DHtransition)(GL4DHscene first, GL4DHscene second,
                                GLuint duration, GLuint elapsed, int state);

/* One row of the table; a row whose duration is 0 ends it. */
typedef struct {
  GLuint duration;        /* milliseconds */
  GL4DHscene first;       /* the scene, or the outgoing one of a transition */
  GL4DHscene second;      /* the incoming scene, or NULL */
  GL4DHtransition mix;    /* the transition, or NULL for a single scene */
} GL4DHanime;

/* Makes a width x height framebuffer (RGBA8 colour texture and depth), binds
 * it with the viewport covering it, runs init, sends state 0 to every
 * distinct function of the table, then restores the default framebuffer and
 * the viewport. The table must outlive the manager. */
GL4D_API void gl4dhInit(GL4DHanime *table, GLuint width, GLuint height, void (*init)(void));

/* Plays the current row into the manager's framebuffer and presents it
 * stretched over the whole drawable. The show's clock starts at the first
 * call. After the last row the last frame stays on screen. */
GL4D_API void gl4dhDraw(void);

/* Sends state 1 to the current row (any thread; meant for the audio one). */
GL4D_API void gl4dhUpdateWithAudio(void);

/* Show time is cut into steps of 1/60 s, the frames of the display the show
 * was made for. A scene's clock starts on a step, and what a scene moves by
 * the frame at 60 frames a second it moves by the step at any rate. */
#define GL4DH_STEPS_PER_SECOND 60

/* A scene's times for the frame being drawn, in ms of show time. */
typedef struct {
  double now;      /* the frame's show time */
  double start;    /* the scene's start: the first step at or after the start
                      of the first row that plays it (a frame before it sees
                      the scene at its start) */
  double previous; /* the scene's previous frame; its start on its first */
  double frame;    /* the show's previous frame; now on the show's first */
  int first;       /* 1 on the scene's first frame */
} GL4DHtimes;

/* The times of the scene being drawn: a scene passes its own function, and
 * gets the same times inside a transition. A scene drawn outside the table
 * (a test drives one by hand) gets a clock of its own on the layer's clock,
 * started at its first call. */
GL4D_API GL4DHtimes gl4dhGetTimes(GL4DHscene scene);
/* The scenes of the row that plays at show time ms and their starts, as a
 * frame there would draw them (NULL and -1 where none); 0 when no row plays
 * there. A scene's motion over show times it was not drawn at (a slow frame
 * covers steps of the rows before it) follows the rows of those times. */
GL4D_API int gl4dhRowAt(double ms, GL4DHscene scenes[2], double starts[2]);
/* 1 while the scene manager draws a row that plays the scene. */
GL4D_API int gl4dhIsDrawing(GL4DHscene scene);
/* Forgets the clocks of scenes drawn outside the table. */
GL4D_API void gl4dhResetTimes(void);

/* Index of the row being played, -1 before the show and after its end. */
GL4D_API int gl4dhGetCurrentRow(void);
/* The manager's framebuffer and its colour texture (0 before gl4dhInit). */
GL4D_API GLuint gl4dhGetFramebuffer(void);
GL4D_API GLuint gl4dhGetColorTexture(void);

GL4D_END_DECLS

#endif
