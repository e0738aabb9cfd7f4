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

// Starts args[0] (looked up on PATH) with args, in a process group of its
// own (a Ctrl-C at the terminal is ours to handle, not the encoder's), with
// every signal at its default and none blocked, and no descriptor of ours
// but standard output and error. With pipeInput its standard input is a pipe
// whose write end lands in child->input, otherwise /dev/null. Returns false
// with a reason in *error.
bool startChild(const std::vector<std::string> &args, bool pipeInput, Child *child, std::string *error);

// Writes all of data to the child's input; false once the child has gone.
bool feedChild(Child &child, const void *data, size_t size);

// Closes the child's input (end of data) without waiting.
void closeChildInput(Child &child);

// Waits for the child; its exit status, or -1 when it died of a signal.
// Works whatever SIGCHLD's disposition: while a child of ours lives, an
// ignored SIGCHLD (which would have the kernel discard its status) is set
// back to the default.
int waitChild(Child &child);

// Stops the child's process group (SIGTERM) and waits for it.
void stopChild(Child &child);

// True if program is an executable file on PATH.
bool onPath(const char *program);

}  // namespace gl4d
