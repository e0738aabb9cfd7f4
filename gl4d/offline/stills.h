// --gl4d-stills: frames of an offline run as PNG files (names: stillFileName
// in options.h), fully opaque, each written under a temporary name and
// renamed once whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gl4d {

// Before the window: the directory is made if missing (*made then true); a
// plain file there, a directory we cannot write into, or a still that could
// not be put in place there (whole_file.h), is refused with a reason.
bool prepareStillsDirectory(const std::string &dir, const std::vector<double> &stillsMs, bool *made,
                            std::string *error);

// The still asked for at show time askedMs, from w x h RGBA8 pixels read
// back bottom-up.
bool writeStill(const std::string &dir, double askedMs, int w, int h, const std::uint8_t *rgba, std::string *error);

}  // namespace gl4d
