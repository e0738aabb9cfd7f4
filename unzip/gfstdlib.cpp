// Placeholder path helpers until the real ones land.
#include "unzip/gfstdlib.h"

#include <cstdlib>

extern "C" char *pathOf(const char *) { return nullptr; }
extern "C" char *filenameOf(const char *) { return nullptr; }
extern "C" int mv(const char *, const char *) { return 1; }
