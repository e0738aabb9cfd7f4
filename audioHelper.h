/* The demo's sound: audio start-up, the post-mix routine with its sound
 * designs, and the measures the scenes read from each block. */
#ifndef AUDIOHELPER_H
#define AUDIOHELPER_H

#include <SDL2/SDL.h>

#include <atomic>

/* The output's rate, frames a second. */
constexpr int kAhRate = 48000;

/* Opens the output (48000 Hz, signed 16-bit, stereo, 1024-frame chunks),
 * loads the module and installs mixCallback. Ends the process on failure:
 * -3 no MOD support, -4 no audio output, -5 module not loaded. */
void ahInitAudio(const char *file);
/* Sound mode: 0 noise drone, 1 snow decay, 2 beep countdown, 3 countdown
 * over the module; any other value leaves blocks untouched. */
void ahSetStep(int step);
/* Sound mode from show time showMs on, to the sample: the post-mix routine
 * splits its blocks there (a few such steps; set before the sound starts).
 * Where one has come, it rules over ahSetStep. */
void ahSetStepAt(int step, double showMs);
/* Non-zero: snow grows over the drone in mode 0. */
void ahSetNeige(int neige);
/* Fades effects and module out over fadeMs, waits for it, then stops and
 * frees the module and closes the audio. */
void ahClean(int fadeMs);
/* The post-mix routine (audio thread). */
void mixCallback(void *udata, Uint8 *stream, int len);

/* The block being processed, published inside mixCallback while the scenes'
 * audio update runs; null and 0 elsewhere. */
Sint16 *ahGetAudioStream(void);
int ahGetAudioStreamLength(void); /* bytes */
void ahSetAudioStream(Sint16 *stream, int len);
/* The stream's frame that the published block starts at (0 before any). */
long ahGetAudioStreamFrame(void);
/* Mean of the published values (0 when none). */
float ahAverage(void);
/* Mean absolute difference of neighbouring published values. */
int ahPathLength(void);

/* One measure per block, kept by the audio update under the block's first
 * frame; a draw reads the one of the block heard at its show time, however
 * far ahead the sound is mixed. The last 16 blocks; one writer, any reader. */
class AhMeasures {
 public:
  void keep(float value) {
    const auto frame = static_cast<Uint64>(static_cast<Uint32>(ahGetAudioStreamFrame()) + 1u);  // 0: empty
    Uint32 bits;
    SDL_memcpy(&bits, &value, sizeof bits);
    const unsigned i = next_.load(std::memory_order_relaxed);
    kept_[i % kBlocks].store(frame << 32 | bits, std::memory_order_relaxed);
    next_.store(i + 1, std::memory_order_relaxed);
  }
  /* The block holding show time ms, else the nearest kept; 0 when none. */
  float heard(double ms) const {
    const double frame = ms * (kAhRate / 1000.0) + 1.0;
    Uint64 best = 0, earliest = 0;
    const unsigned last = next_.load(std::memory_order_relaxed) + kBlocks;
    for (unsigned k = 0; k < kBlocks; ++k) {  /* newest first: the later of two at one frame */
      const Uint64 e = kept_[(last - k - 1) % kBlocks].load(std::memory_order_relaxed);
      if (!e) continue;
      if (static_cast<double>(e >> 32) <= frame && (e >> 32) > (best >> 32)) best = e;
      if (!earliest || (e >> 32) < (earliest >> 32)) earliest = e;
    }
    const Uint32 bits = static_cast<Uint32>(best ? best : earliest);
    float value;
    SDL_memcpy(&value, &bits, sizeof value);
    return value;
  }
  /* Empty again, for a show started afresh (no block is being kept). */
  void clear() {
    for (auto &k : kept_) k.store(0, std::memory_order_relaxed);
  }

 private:
  static constexpr unsigned kBlocks = 16;
  std::atomic<Uint64> kept_[kBlocks] = {};
  std::atomic<unsigned> next_{0};
};

#endif
