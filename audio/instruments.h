// velvora's instruments, synthesised from recipes named in the score. Each
// recipe is tuned for the note the score plays it at: drums at C-3 (hats at
// A-3), tuned instruments so that their notes sound at the pitches below.
//
//   bass             A-1 sounds A1 (55 Hz)
//   pad_min pad_maj  A-1 sounds an A2 chord: root, fifth, octave, tenth
//   lead bell chip   A-2 sounds A4 (440 Hz)
//   tom              C-3 sounds about C3
#pragma once

#include <string>
#include <vector>

#include "mod_module.h"

namespace velvora {

bool isRecipe(const std::string &name);
std::vector<std::string> recipeNames();
// The sample's data and loop; name and volume come from the score.
Sample synthesizeRecipe(const std::string &name);

}  // namespace velvora
