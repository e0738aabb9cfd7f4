/* The seed of the program's random generators, from the window library's
 * options: what makes two offline runs the same. */
#ifndef GL4D_SEED_H
#define GL4D_SEED_H

#include "gl4d/api.h"

GL4D_BEGIN_DECLS

/* --gl4d-seed=N when given; else 1 in an offline run (capture, stills,
 * benchmark), so that two runs make the same frames and sound; else the
 * time of day in seconds. Valid once gl4duwCreateWindow has read the
 * options (before that: the time of day). Any thread. */
GL4D_API unsigned int gl4duwRandomSeed(void);

GL4D_END_DECLS

#endif
