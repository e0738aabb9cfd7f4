#include "audio_double.h"

#include "audioHelper.h"

namespace audio_double {

std::vector<int> steps;
std::vector<int> neiges;
float average = 0.0f;
int pathLength = 0;

void reset() {
  steps.clear();
  neiges.clear();
  average = 0.0f;
  pathLength = 0;
}

}  // namespace audio_double

void ahSetStep(int step) { audio_double::steps.push_back(step); }
void ahSetNeige(int neige) { audio_double::neiges.push_back(neige); }
float ahAverage(void) { return audio_double::average; }
int ahPathLength(void) { return audio_double::pathLength; }
