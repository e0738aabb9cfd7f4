// Child processes for the capture: ffmpeg, fed through a pipe or not.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace gl4d {

struct Child {
  pid_t pid = -1;
  int input = -1;  // write end of the child's standard input, when piped
};

// Starts args[0] (looked up on PATH) with args; with pipeInput its standard
// input is a pipe whose write end lands in child->input, otherwise
// /dev/null. Returns false with a reason in *error.
bool startChild(const std::vector<std::string> &args, bool pipeInput, Child *child, std::string *error);

// Writes all of data to the child's input; false once the child has gone.
bool feedChild(Child &child, const void *data, size_t size);

// Closes the child's input (end of data) without waiting.
void closeChildInput(Child &child);

// Waits for the child; its exit status, or -1 when it died of a signal.
int waitChild(Child &child);

// True if program is an executable file on PATH.
bool onPath(const char *program);

}  // namespace gl4d
