// Files that are either whole or not there: written under a temporary name
// beside their path, renamed over it once complete. A run cut short leaves
// the path as it was.
#pragma once

#include <string>

namespace gl4d {

// Before a run: true if a file can be written whole at path: what stands
// there is a plain file or nothing, in a directory that exists and that we
// can write into, that lets us replace it (in a sticky directory, such as
// /tmp, another user's file is not ours to replace), and the name is not
// too long, nor its temporary form beside it when writeWhole is to make it
// (viaWriteWhole). Otherwise false with a reason.
bool canWriteWhole(const std::string &path, std::string *error, bool viaWriteWhole = true);

// Writes data as the file at path: into a temporary file beside it, made
// anew and written through the descriptor that made it (never opened again
// by name), then renamed over path. commit: this is a run's result, which a
// stop signal that came first keeps from being put in place
// (stop_signals.h). False, with a reason, and nothing left at the
// temporary name, otherwise.
bool writeWhole(const std::string &path, const std::string &data, bool commit, std::string *error);

}  // namespace gl4d
