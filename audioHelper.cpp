// Placeholder audio module until the real one lands: it opens nothing and
// only keeps the values the scenes set.
#include "audioHelper.h"

static int _step = 0;
static int _neige = 0;

void ahInitAudio(const char *) {}
void ahSetStep(int step) { _step = step; }
void ahSetNeige(int neige) { _neige = neige; }
void ahClean(int fadeMs) { SDL_Delay(static_cast<Uint32>(fadeMs)); }
void mixCallback(void *, Uint8 *, int) {}
Sint16 *ahGetAudioStream(void) { return nullptr; }
int ahGetAudioStreamLength(void) { return 0; }
void ahSetAudioStream(Sint16 *, int) {}
float ahAverage(void) { return 0.0f; }
int ahPathLength(void) { return 0; }
