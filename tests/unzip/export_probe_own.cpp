// The probe library's own path helpers: seen only if the executable's
// exported ones do not take their place.
#include <cstring>

extern "C" char *pathOf(const char *) { return strdup("probe-own"); }
extern "C" char *filenameOf(const char *) { return strdup("probe-own"); }
extern "C" int mv(const char *, const char *) { return -77; }
