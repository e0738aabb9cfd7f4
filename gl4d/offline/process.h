// Child processes for the capture: ffmpeg, fed through a pipe or not.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <string>
#include <vector>

namespace gl4d {

struct Child {
  pid_t pid = -1;
  int input = -1;  // write end of the child's standard input, when piped
};

// Starts args[0], found as findProgram finds it, with args, in a process
// group of its own (a Ctrl-C at the terminal is ours to handle, not the encoder's), with
// every signal at its default and none blocked, and no descriptor of ours
// but standard output and error. With pipeInput its standard input is a pipe
// whose write end lands in child->input, otherwise /dev/null. Returns false
// with a reason in *error.
bool startChild(const std::vector<std::string> &args, bool pipeInput, Child *child, std::string *error);

// Writes all of data to the child's input; false once the child has gone,
// or a stop signal came (stop_signals.h) or *cancel turned true while it
// was not taking data.
bool feedChild(Child &child, const void *data, size_t size, const std::atomic<bool> *cancel = nullptr);

// Closes the child's input (end of data) without waiting.
void closeChildInput(Child &child);

// Waits for the child; its exit status, or -1 when it died of a signal or
// was killed because a stop signal came meanwhile. Works whatever SIGCHLD's
// disposition: while a child of ours lives, an ignored SIGCHLD (which would
// have the kernel discard its status) is set back to the default.
int waitChild(Child &child);

// Kills the child's process group outright (its work is being thrown away;
// SIGKILL ends a stopped process too) and reaps the child.
void killChild(Child &child);

// The file posix_spawnp would run for program: a name with a slash as it
// is, else the first regular executable file of that name in PATH's
// directories (an empty one is the working directory; without PATH, the
// system's default path). Empty when there is none.
std::string findProgram(const std::string &program);

}  // namespace gl4d
