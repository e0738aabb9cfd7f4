/* The demo's sound: audio start-up, the post-mix routine with its sound
 * designs, and the measures the scenes read from each block. */
#ifndef AUDIOHELPER_H
#define AUDIOHELPER_H

#include <SDL2/SDL.h>

/* Opens the output (48000 Hz, signed 16-bit, stereo, 1024-frame chunks),
 * loads the module and installs mixCallback. Ends the process on failure:
 * -3 no MOD support, -4 no audio output, -5 module not loaded. */
void ahInitAudio(const char *file);
/* Sound mode: 0 noise drone, 1 snow decay, 2 beep countdown, 3 countdown
 * over the module; any other value leaves blocks untouched. */
void ahSetStep(int step);
/* Non-zero: snow grows over the drone in mode 0. */
void ahSetNeige(int neige);
/* Fades effects and module out over fadeMs, waits for it, then stops and
 * frees the module and closes the audio. */
void ahClean(int fadeMs);
/* The post-mix routine (audio thread). */
void mixCallback(void *udata, Uint8 *stream, int len);

/* The block being processed, published inside mixCallback while the scenes'
 * audio update runs; null and 0 elsewhere. */
Sint16 *ahGetAudioStream(void);
int ahGetAudioStreamLength(void); /* bytes */
void ahSetAudioStream(Sint16 *stream, int len);
/* Mean of the published values (0 when none). */
float ahAverage(void);
/* Mean absolute difference of neighbouring published values. */
int ahPathLength(void);

#endif
