// Stands in for the audio module in scene tests: records what the scenes ask
// of the sound and hands them chosen measures.
#pragma once

#include <vector>

namespace audio_double {

extern std::vector<int> steps;   // every ahSetStep argument, in order
extern std::vector<int> neiges;  // every ahSetNeige argument, in order
extern float average;            // what ahAverage returns
extern int pathLength;           // what ahPathLength returns

void reset();

}  // namespace audio_double
