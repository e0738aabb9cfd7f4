// Stopping an offline run from outside: SIGINT (Ctrl-C), SIGTERM, SIGHUP (a
// closed terminal) and SIGQUIT. The first one is noted and the run stops at
// its next step; one that comes while files are being cleaned up or put in
// place waits until that is done; any later one ends the process at once, by
// that signal. A signal the caller ignored (nohup) stays ignored.
#pragma once

namespace gl4d {

// Offline runs: the handlers installed, SDL's own turned off (it would turn
// a signal into a quit event: a run that "ends well").
void takeStopSignals();

// For a thread of the run's own: the stop signals reach the others.
void blockStopSignals();

// The signal that stopped the run, 0 while none has.
int stopSignal();

// Just before a run's result is put in place: true if no stop signal came
// first. From then on a signal comes too late to stop the run.
bool commitRun();

// Between the two, a second signal waits (and ends the process at the last
// release): what is half made is cleaned up, what is being renamed is put in
// place, before the process ends.
void holdStopSignals();
void releaseStopSignals();

// Holds them while it lives.
class StopSignalsHeld {
 public:
  StopSignalsHeld() { holdStopSignals(); }
  ~StopSignalsHeld() { releaseStopSignals(); }
  StopSignalsHeld(const StopSignalsHeld &) = delete;
  StopSignalsHeld &operator=(const StopSignalsHeld &) = delete;
};

// Ends the process by the signal's default action (status 128 + signal to
// a shell), without a core file.
[[noreturn]] void dieBy(int signal);

const char *stopSignalName(int signal);

}  // namespace gl4d
