/* The gl4d platform layer: everything the demo calls. */
#ifndef GL4D_H
#define GL4D_H

#include "gl4d/clock.h"
#include "gl4d/window.h"
#include "gl4d/matrices.h"
#include "gl4d/programs.h"
#include "gl4d/geometry.h"
#include "gl4d/filters.h"
#include "gl4d/scenes.h"
#include "gl4d/clean.h"
#include "gl4d/png.h"
#include "gl4d/seed.h"

#endif
