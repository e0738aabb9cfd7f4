// The layer's session: its options, and the offline runs they ask for (a
// capture to video, stills, a benchmark: frames made one by one on the
// manual clock with the sound in lock-step), with the live run's extras
// (--gl4d-stats, --gl4d-window, --gl4d-stop, the seed). The window, the loop
// and the scene manager call these; nothing here is exported.
#pragma once

#include <SDL2/SDL.h>
#include <epoxy/gl.h>

namespace gl4d {

// Before SDL starts: reads the layer's options from the program's command
// line and sets an offline run up (its outputs checked, the stop signals
// taken). Prints the options and exits for --gl4d-help; false, after a
// message on stderr, for bad options or outputs that cannot be written.
bool configureSession(int argc, char **argv);
// The window creation failed after configureSession: drop what it made.
void abandonSession();
bool offlineSession();
// An offline run's window: hidden, at the frame size when one was given.
void offlineWindow(int *width, int *height, Uint32 *flags);

// The scene manager's frame size: an offline run's own size replaces it.
void sceneFrameSize(GLuint *width, GLuint *height);
// The length of the scene manager's table, the default end of a capture.
void noteShowLength(double ms);
// Sound thread, at the end of every gl4dhUpdateWithAudio.
void afterSoundBlock();

// The loop, around each display call of an offline run: false when the
// run is over (the loop then returns).
bool beginOfflineFrame();
void endOfflineFrame();
// A live run given --gl4d-stop: true once the show has played that long.
bool liveStopReached();
// A live run given --gl4d-window: a resizable desktop window of that size.
void liveWindow(int *width, int *height, Uint32 *flags);
bool glDebugAsked();
// The context exists (benchmarks count the GL objects made from then on).
void contextMade();
// A live frame was shown (after its swap): --gl4d-stats times it.
void liveFrameShown();
// The program's random seed: --gl4d-seed, else 1 offline, else the time of day.
unsigned sessionSeed();

// The window's last exit handler, with the status the process is exiting
// with: writes the outputs of a whole run (the sound file is complete only
// once the program has closed its audio), or makes sure that nothing is left
// of one that is not whole, and that its status is not 0.
void finishSession(int status);
// Last of all: an offline run stopped by a signal (stop_signals.h) ends by
// that signal (status 128 + its number to a shell: 130 for SIGINT).
void endByStopSignal();

}  // namespace gl4d
