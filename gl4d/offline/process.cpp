// Child processes through posix_spawnp: no shell between us and the arguments.
#include "gl4d/offline/process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "gl4d/offline/stop_signals.h"

extern char **environ;

namespace gl4d {

namespace {

// SIGCHLD as the program had it, while children of ours live.
int childrenAlive = 0;
struct sigaction programChildSignal;
bool childSignalChanged = false;

void childStarting() {
  if (childrenAlive++) return;
  struct sigaction now {};
  sigaction(SIGCHLD, nullptr, &now);
  if (now.sa_handler != SIG_IGN && !(now.sa_flags & SA_NOCLDWAIT)) return;
  programChildSignal = now;
  struct sigaction plain {};
  plain.sa_handler = SIG_DFL;
  sigemptyset(&plain.sa_mask);
  childSignalChanged = sigaction(SIGCHLD, &plain, nullptr) == 0;
}

void childGone() {
  if (--childrenAlive || !childSignalChanged) return;
  sigaction(SIGCHLD, &programChildSignal, nullptr);
  childSignalChanged = false;
}

}  // namespace

bool startChild(const std::vector<std::string> &args, bool pipeInput, Child *child, std::string *error) {
  *child = Child{};
  const std::string file = findProgram(args[0]);
  if (file.empty()) {
    *error = "cannot run " + args[0] + ": no executable file of that name on PATH";
    return false;
  }
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
  // The sound file, the display's socket, the driver's devices: not the encoder's.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t all, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attr, &all);  // SIGPIPE, ignored here, is not ignored there
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);
  std::vector<char *> argv;
  for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  childStarting();
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, file.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (pipeInput) close(fds[0]);
  if (rc != 0) {
    childGone();
    if (pipeInput) close(fds[1]);
    *error = "cannot run " + args[0] + ": " + std::strerror(rc);
    return false;
  }
  child->pid = pid;
  child->input = pipeInput ? fds[1] : -1;
  // Not blocking: a child that stops taking data (or is stopped) must not
  // hold us past a stop signal.
  if (pipeInput) fcntl(fds[1], F_SETFL, O_NONBLOCK);
  return true;
}

bool feedChild(Child &child, const void *data, size_t size, const std::atomic<bool> *cancel) {
  const char *p = static_cast<const char *>(data);
  while (size > 0 && child.input >= 0) {
    const ssize_t n = write(child.input, p, size);
    if (n > 0) {
      p += n;
      size -= static_cast<size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (stopSignal() || (cancel && *cancel)) return false;
      pollfd ready = {child.input, POLLOUT, 0};
      poll(&ready, 1, 100);
    } else {
      return false;
    }
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
  // Polled, so that a stop signal is seen however long the child takes.
  pid_t r;
  while ((r = waitpid(child.pid, &status, WNOHANG)) == 0 || (r < 0 && errno == EINTR)) {
    if (stopSignal()) {
      killChild(child);
      return -1;
    }
    poll(nullptr, 0, 10);
  }
  child.pid = -1;
  childGone();
  if (r < 0 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

void killChild(Child &child) {
  closeChildInput(child);
  if (child.pid < 0) return;
  kill(-child.pid, SIGKILL);
  int status = 0;
  while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
  }
  child.pid = -1;
  childGone();
}

std::string findProgram(const std::string &program) {
  const auto runnable = [](const std::string &file) {
    struct stat st {};
    return stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(file.c_str(), X_OK) == 0;
  };
  if (program.find('/') != std::string::npos) return runnable(program) ? program : "";
  std::string dirs;
  if (const char *path = std::getenv("PATH")) {
    dirs = path;
  } else {
    dirs.resize(confstr(_CS_PATH, nullptr, 0));
    confstr(_CS_PATH, dirs.data(), dirs.size());
    dirs.resize(std::strlen(dirs.c_str()));
  }
  for (size_t from = 0; from <= dirs.size();) {
    const size_t colon = std::min(dirs.find(':', from), dirs.size());
    const std::string file = (colon == from ? std::string(".") : dirs.substr(from, colon - from)) + "/" + program;
    if (runnable(file)) return file;
    from = colon + 1;
  }
  return "";
}

}  // namespace gl4d
