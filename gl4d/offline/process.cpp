// Child processes through posix_spawnp: no shell between us and the arguments.
#include "gl4d/offline/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char **environ;

namespace gl4d {

bool startChild(const std::vector<std::string> &args, bool pipeInput, Child *child, std::string *error) {
  *child = Child{};
  int fds[2] = {-1, -1};
  // Close-on-exec, so that the child holds no write end of its own input:
  // closing ours must be the end of its data.
  if (pipeInput && pipe2(fds, O_CLOEXEC) != 0) {
    *error = std::string("cannot make a pipe: ") + std::strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (pipeInput)
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
  else
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::vector<char *> argv;
  for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (pipeInput) close(fds[0]);
  if (rc != 0) {
    if (pipeInput) close(fds[1]);
    *error = "cannot run " + args[0] + ": " + std::strerror(rc);
    return false;
  }
  child->pid = pid;
  child->input = pipeInput ? fds[1] : -1;
  return true;
}

bool feedChild(Child &child, const void *data, size_t size) {
  const char *p = static_cast<const char *>(data);
  while (size > 0 && child.input >= 0) {
    const ssize_t n = write(child.input, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return size == 0;
}

void closeChildInput(Child &child) {
  if (child.input >= 0) close(child.input);
  child.input = -1;
}

int waitChild(Child &child) {
  closeChildInput(child);
  if (child.pid < 0) return -1;
  int status = 0;
  pid_t r;
  do r = waitpid(child.pid, &status, 0);
  while (r < 0 && errno == EINTR);
  child.pid = -1;
  if (r < 0 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

bool onPath(const char *program) {
  const char *path = std::getenv("PATH");
  for (const char *p = path; p && *p;) {
    const char *colon = std::strchr(p, ':');
    const size_t n = colon ? static_cast<size_t>(colon - p) : std::strlen(p);
    const std::string file = (n ? std::string(p, n) : std::string(".")) + "/" + program;
    if (access(file.c_str(), X_OK) == 0) return true;
    if (!colon) break;
    p = colon + 1;
  }
  return false;
}

}  // namespace gl4d
