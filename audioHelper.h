/* The demo's sound: audio start-up, the post-mix routine with its sound
 * designs, and the measures the scenes read from each block. */
#ifndef AUDIOHELPER_H
#define AUDIOHELPER_H

#include <SDL2/SDL.h>

void ahInitAudio(const char *file);
void ahSetStep(int step);
void ahSetNeige(int neige);
void ahClean(int fadeMs);
void mixCallback(void *udata, Uint8 *stream, int len);

Sint16 *ahGetAudioStream(void);
int ahGetAudioStreamLength(void);
void ahSetAudioStream(Sint16 *stream, int len);
float ahAverage(void);
int ahPathLength(void);

#endif
