#include "gl4d/offline/stop_signals.h"

#include <SDL2/SDL.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>
#include <algorithm>
#include <csignal>

namespace gl4d {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kCommitted = -1;

// 0 while the run goes on, the signal that stopped it, or kCommitted once
// its result is being put in place. Handlers run on whichever thread the
// signal reaches: every piece of state they touch is a lock-free atomic.
std::atomic<int> runState{0};
std::atomic<int> holds{0}, waiting{0};
static_assert(std::atomic<int>::is_always_lock_free);

void onStopSignal(int signal) {
  int running = 0;
  if (runState.compare_exchange_strong(running, signal) || running == kCommitted) return;
  waiting.store(signal);
  if (holds.load() == 0) dieBy(signal);
}

}  // namespace

void takeStopSignals() {
  struct sigaction stop {};
  stop.sa_handler = onStopSignal;
  sigemptyset(&stop.sa_mask);
  for (int signal : kStopSignals) sigaddset(&stop.sa_mask, signal);
  stop.sa_flags = SA_RESTART;
  for (int signal : kStopSignals) {
    struct sigaction now {};
    sigaction(signal, nullptr, &now);
    if (now.sa_handler != SIG_IGN) sigaction(signal, &stop, nullptr);
  }
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

void blockStopSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kStopSignals) sigaddset(&set, signal);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int stopSignal() { return std::max(runState.load(), 0); }

bool commitRun() {
  int running = 0;
  return runState.compare_exchange_strong(running, kCommitted) || running == kCommitted;
}

void holdStopSignals() { holds.fetch_add(1); }

void releaseStopSignals() {
  if (holds.fetch_sub(1) == 1 && waiting.load()) dieBy(waiting.load());
}

void dieBy(int signal) {
  prctl(PR_SET_DUMPABLE, 0);  // SIGQUIT's default action writes a core file
  struct sigaction plain {};
  plain.sa_handler = SIG_DFL;
  sigemptyset(&plain.sa_mask);
  sigaction(signal, &plain, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal);
  _exit(128 + signal);
}

const char *stopSignalName(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "SIGQUIT";
  }
}

}  // namespace gl4d
