/* The layer's clock: milliseconds since the layer started. Tests and captures
 * switch it to a manual clock that moves only when told. */
#ifndef GL4D_CLOCK_H
#define GL4D_CLOCK_H

#include "gl4d/api.h"

GL4D_BEGIN_DECLS

/* Milliseconds since the layer started (SDL's performance counter), or the
 * manual clock's value while it is on. Never decreases. Any thread. */
GL4D_API double gl4dGetElapsedTime(void);

/* Switches the manual clock on (it starts from the current reading) or off
 * (the real clock resumes, never below the last manual reading). */
GL4D_API void gl4dSetManualClock(GLboolean on);
/* Sets the manual clock; a value below its current one is ignored. */
GL4D_API void gl4dSetElapsedTime(double ms);
/* Moves the manual clock forward by ms (negative values are ignored). */
GL4D_API void gl4dAdvanceElapsedTime(double ms);

GL4D_END_DECLS

#endif
