// Files that are either whole or not there: written under a temporary name
// beside their path, renamed over it once complete. A run cut short leaves
// the path as it was.
#pragma once

#include <functional>
#include <string>

namespace gl4d {

// Before a run: true if a file can be written whole at path (what stands
// there is a plain file or nothing, in a directory that exists and that we
// can write into); otherwise false with a reason.
bool canWriteWhole(const std::string &path, std::string *error);

// write(tmp) writes the whole file at tmp; true when it did. Then tmp
// becomes path. False, with a reason, and nothing left at tmp, otherwise.
bool writeWhole(const std::string &path, const std::function<bool(const std::string &tmp)> &write,
                std::string *error);

}  // namespace gl4d
