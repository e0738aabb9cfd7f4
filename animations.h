/* The scenes of the show, the cross-fade between them, and the GL objects
 * they share. Every scene takes one state: 0 initialise, 1 audio update
 * (audio thread), 2 draw, 3 free; any other value draws. */
#ifndef ANIMATIONS_H
#define ANIMATIONS_H

#include "gl4d/gl4d.h"

void animationsInit(void);

void fondu(void (*first)(int), void (*second)(int), GLuint duration, GLuint elapsed, int state);

void noir(int state);
void vert(int state);
void huit(int state);
void rouge(int state);
void beep(int state);
void beebegin(int state);
void bee2(int state);
void bee3(int state);
void bee4(int state);
void bee5(int state);
void bee6(int state);
void bee7(int state);

#endif
