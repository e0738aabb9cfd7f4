// The demo's sound. SDL_mixer plays the soundtrack module; every block it
// mixes passes through mixCallback on the audio thread, which applies the
// shutdown fade, publishes the block for the scenes and rewrites or adds to it
// by sound mode: 0 noise drone (plus growing snow while the snow flag is set),
// 1 snow decay, 2 beep countdown, 3 beep countdown over the (re)started module.
//
// The routine allocates nothing, takes no lock of its own and touches no
// file. What the main thread shares with it is one atomic word each, relaxed:
// a change is seen at the next block.
#include "audioHelper.h"

#include <SDL2/SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "ImprovedNoise.h"
#include "gl4d/clock.h"
#include "gl4d/scenes.h"
#include "scenetime.h"

static_assert(std::atomic<float>::is_always_lock_free && std::atomic<Uint32>::is_always_lock_free);

static std::atomic<Mix_Music *> _mmusic{nullptr};
static std::atomic<int> _step{0};
static std::atomic<int> _neige{0};
static std::atomic<float> _gvol{1.0f};  // written by the audio thread only
// Shutdown fade: start tick (0: none) and length in ms. The start tick is
// stored last, with release, so that the length is seen with it.
static std::atomic<Uint32> _fo{0};
static std::atomic<Uint32> _fo_duration{0};
// The block being processed; null and 0 outside the routine.
static std::atomic<Sint16 *> _audioStream{nullptr};
static std::atomic<int> _audioStreamLength{0};
static std::atomic<long> _audioStreamFrame{0};  // its first frame in the stream
// Steps at show times, by the stream frame they start at (-1: unused). The
// frame is stored last, with release, so that the step is seen with it.
struct StepAt {
  std::atomic<long> frame{-1};
  std::atomic<int> step{0};
};
static StepAt _stepsAt[4];

// State of the sound designs: touched by the audio thread only, never reset,
// so a mode selected again goes on where it stood.
struct Drone {
  float x = 0.0f;      // position along the noise field
  float px = 0.003f;   // advance of x per value; grows
  Sint16 cur_vol = 0;  // amplitude
};
struct Snow {
  Sint16 cur_vol = 0;  // amplitude
  float pc = 5.0f;     // per-block growth or decay step
  Uint64 rng = 0x853c49e6748fea9bULL;
};
struct Countdown {
  float __t0 = -1.0f;  // start in seconds; negative until the first block
  float x = 0.0f;      // carrier phase, radians
  float samp = 1.0f;   // level; negative once over
  float vit = 1.0f;    // beat rate
  float accel = 0.0005f;
};
static Drone _drone;
static Snow _snow;
static Countdown _countdown;

static constexpr float kTwoPi = 6.2831855f;
static constexpr Sint16 kDroneTop = 10921;  // the ramp stops at the first step above it

// Truncates toward zero and limits to [lo, hi] before anything is narrowed,
// so that no value wraps to the other sign.
static inline int truncClamp(double v, int lo, int hi) {
  if (v >= hi) return hi;
  if (v <= lo) return lo;
  return v == v ? static_cast<int>(v) : 0;
}

static inline Sint16 clampSample(int v, int lim) { return static_cast<Sint16>(std::clamp(v, -lim, lim)); }

// The effect's clamp limit for modes 0 and 1: it shrinks with the fade.
static inline int effectLimit(float gvol) { return static_cast<int>(32767.0f * gvol); }

// The snow's own uniform generator over 0 to 2^31 - 1: the C library's
// rand() takes a lock and is shared with the main thread.
static inline int snowRand() {
  _snow.rng = _snow.rng * 6364136223846793005ULL + 1442695040888963407ULL;
  return static_cast<int>(_snow.rng >> 33);
}

// _gvol falls linearly from 1 to 0 over the fade, then the fade disarms.
static void updateShutdownFade(Uint32 now) {
  const Uint32 fo = _fo.load(std::memory_order_acquire);
  if (fo == 0) return;
  const Uint32 duration = _fo_duration.load(std::memory_order_relaxed);
  if (now - fo < duration) {
    _gvol.store(static_cast<float>(fo + duration - now) / static_cast<float>(duration), std::memory_order_relaxed);
  } else {
    _gvol.store(0.0f, std::memory_order_relaxed);
    _fo.store(0, std::memory_order_relaxed);
  }
}

// Mode 0: every value replaced by noise along a path that speeds up, under
// an amplitude that climbs by len / 256 a block up to 10928.
static void noiseDrone(Sint16 *v, int n, float gvol) {
  const int lim = effectLimit(gvol);
  const double a = static_cast<float>(_drone.cur_vol * gvol);
  for (int i = 0; i < n; ++i) {
    const double N = noise(_drone.x, 0.5 * _drone.x, 0.5);
    const float s = static_cast<float>((2.0 * N - 1.0) * a);
    v[i] = static_cast<Sint16>(truncClamp(s, -lim, lim));
    _drone.px += 5e-9f;
    _drone.x += _drone.px;
  }
  if (_drone.cur_vol <= kDroneTop) _drone.cur_vol = static_cast<Sint16>(std::min(32767, _drone.cur_vol + (n >> 7)));
}

// White noise of the snow amplitude added to every value.
static void addSnow(Sint16 *v, int n, float gvol) {
  const int lim = effectLimit(gvol);
  const float a = _snow.cur_vol * gvol;
  for (int i = 0; i < n; ++i) {
    const float f = 1.0f - static_cast<float>(snowRand()) * 0x1p-30f;  // -1 to 1
    v[i] = clampSample(v[i] + static_cast<int>(a * f), lim);
  }
}

static void growSnow() {
  if (_snow.cur_vol == 32767) return;
  _snow.pc *= 1.01f;
  _snow.cur_vol = static_cast<Sint16>(truncClamp(_snow.cur_vol + _snow.pc, -32768, 32767));
}

// May leave a negative amplitude for one block; the next one sets 0.
static void decaySnow() {
  if (_snow.cur_vol <= 0) {
    _snow.cur_vol = 0;
    return;
  }
  _snow.pc *= 1.1f;
  _snow.cur_vol = static_cast<Sint16>(truncClamp(_snow.cur_vol - _snow.pc, -32768, 32767));
}

// The first 8 s of the countdown: one beep a second, from half a second
// into each to three quarters and fading fast after, at its clock t in s.
static float firstBeeps(float t) {
  const float q = static_cast<float>(std::tan(static_cast<double>(t * kTwoPi * 0.5f)));
  return std::min(1.0f, q > 0.0f ? 0.0f : static_cast<float>(std::pow(static_cast<double>(-q), 100.0)));
}

// Level of the countdown's beeps for a block from its clock t in seconds
// (past 8 s): faster beats whose level falls from 16 s to nothing at 30 s.
// Negative once the countdown is over.
static float countdownEnvelope(float t) {
  Countdown &c = _countdown;
  float e;
  if (t < 8.0f) {
    e = firstBeeps(t);
  } else {
    if (c.samp < 0.0f) return -1.0f;
    const float q = static_cast<float>(std::tan(static_cast<double>(kTwoPi * c.vit * t * 0.5f)));
    e = q > 0.0f ? 0.0f
                 : static_cast<float>(c.samp * std::pow(static_cast<double>(-q),
                                                        100.0 / std::pow(static_cast<double>(c.vit), 100.0)));
    c.vit += c.accel;
    c.accel += 0.00003f;
    if (t > 16.0f) c.samp = 30.0f - t > 0.0f ? static_cast<float>(std::pow((30.0f - t) / 14.0f, 1.2000000476837158)) : -1.0f;
  }
  return std::min(1.0f, e);
}

// Modes 2 and 3: an 880 Hz carrier, sine on the left and cosine on the
// right, added under the countdown's envelope, the values starting at show
// time ms. The countdown starts with its first value; its first beeps start
// and end on their samples.
static void beepCountdown(Sint16 *v, int n, float gvol, double ms) {
  Countdown &c = _countdown;
  const float now = showSeconds(ms);
  if (c.__t0 < 0.0f) c.__t0 = now;
  const float e = countdownEnvelope(now - c.__t0);
  if (e < 0.0f) return;
  const bool bySample = now - c.__t0 < 8.0f;
  double amp = 32767.0f * gvol * e;
  for (int k = 0; k + 1 < n; k += 2) {
    if (bySample) amp = 32767.0f * gvol * firstBeeps(showSeconds(ms + 500.0 * k / kAhRate) - c.__t0);
    if (amp != 0.0) {
      v[k] = static_cast<Sint16>(truncClamp(v[k] + std::sin(static_cast<double>(c.x)) * amp, -32768, 32767));
      v[k + 1] = static_cast<Sint16>(truncClamp(v[k + 1] + std::cos(static_cast<double>(c.x)) * amp, -32768, 32767));
    }
    c.x += 0.11519173f;  // 2 pi 880 / 48000
    if (c.x >= kTwoPi) c.x -= kTwoPi;
  }
}

// Mode 3 keeps the module playing: started on the first block, restarted
// whenever it has ended.
static void keepModulePlaying() {
  if (Mix_PlayingMusic()) return;
  if (Mix_Music *music = _mmusic.load(std::memory_order_relaxed)) Mix_PlayMusic(music, 1);
}

// The step at a frame of the stream: the latest set for a show time at or
// before it, else the one ahSetStep set.
static int stepAt(long frame) {
  long from = -1;
  int step = _step.load(std::memory_order_relaxed);
  for (const StepAt &s : _stepsAt) {
    const long f = s.frame.load(std::memory_order_acquire);
    if (f >= 0 && f <= frame && f > from) from = f, step = s.step.load(std::memory_order_relaxed);
  }
  return step;
}

// The first frame after `frame` at which a step set for a show time starts,
// or `end` when none does before it.
static long nextStepFrame(long frame, long end) {
  for (const StepAt &s : _stepsAt) {
    const long f = s.frame.load(std::memory_order_acquire);
    if (f > frame && f < end) end = f;
  }
  return end;
}

// The n values of v, starting at show time ms, in one step.
static void mixPart(int step, Sint16 *v, int n, float gvol, double ms) {
  switch (step) {
    case 0:
      noiseDrone(v, n, gvol);
      if (_neige.load(std::memory_order_relaxed) != 0) {
        addSnow(v, n, gvol);
        growSnow();
      }
      break;
    case 1:
      _neige.store(0, std::memory_order_relaxed);
      addSnow(v, n, gvol);
      decaySnow();
      break;
    case 2:
    case 3:
      beepCountdown(v, n, gvol, ms);
      break;
    default:
      break;
  }
}

void mixCallback(void *, Uint8 *stream, int len) {
  if (_fo.load(std::memory_order_relaxed) != 0) updateShutdownFade(SDL_GetTicks());
  if (!stream || len < 0) len = 0;
  Sint16 *values = reinterpret_cast<Sint16 *>(stream);
  const int frames = len / 4;
  const double ms = gl4dhSoundBlock(frames, kAhRate);
  const long first = std::lround(ms * kAhRate / 1000.0);
  _audioStreamFrame.store(first, std::memory_order_relaxed);
  ahSetAudioStream(values, len);
  const float gvol = _gvol.load(std::memory_order_relaxed);
  // Split where a step set for a show time starts; the last part takes
  // the values left (an odd one too).
  const long end = first + frames;
  long f = first;
  do {
    const long to = nextStepFrame(f, end);
    const int from = static_cast<int>(2 * (f - first));
    mixPart(stepAt(f), values + from, to == end ? len / 2 - from : static_cast<int>(2 * (to - f)), gvol,
            ms + 1000.0 * static_cast<double>(f - first) / kAhRate);
    f = to;
  } while (f < end);
  // The module starts at the block's end nearest its step's start (it plays
  // from the block after the one that starts it), and starts again whenever
  // it has ended.
  if (stepAt(first + frames + frames / 2) == 3) keepModulePlaying();
  gl4dhUpdateWithAudio();
  ahSetAudioStream(nullptr, 0);
}

void ahInitAudio(const char *file) {
  if ((Mix_Init(MIX_INIT_MOD) & MIX_INIT_MOD) != MIX_INIT_MOD) {
    fprintf(stderr, "Mix_Init: Erreur lors de l'initialisation de la bibliotheque SDL_Mixer\n");
    fprintf(stderr, "Mix_Init: %s\n", SDL_GetError());
    exit(-3);
  }
  if (Mix_OpenAudio(48000, AUDIO_S16LSB, 2, 1024) < 0) exit(-4);
  Mix_Music *music = Mix_LoadMUS(file);
  if (!music) {
    fprintf(stderr, "Erreur lors du Mix_LoadMUS: %s\n", SDL_GetError());
    exit(-5);
  }
  _mmusic.store(music, std::memory_order_relaxed);
  Mix_SetPostMix(mixCallback, nullptr);
}

void ahSetStep(int step) { _step.store(step, std::memory_order_relaxed); }

void ahSetStepAt(int step, double showMs) {
  if (!(showMs >= 0.0)) return;
  const long frame = std::lround(showMs * kAhRate / 1000.0);
  for (StepAt &s : _stepsAt) {
    const long f = s.frame.load(std::memory_order_relaxed);
    if (f >= 0 && f != frame && s.step.load(std::memory_order_relaxed) != step) continue;
    s.step.store(step, std::memory_order_relaxed);
    s.frame.store(frame, std::memory_order_release);
    return;
  }
}
void ahSetNeige(int neige) { _neige.store(neige, std::memory_order_relaxed); }

void ahClean(int fadeMs) {
  const Uint32 duration = fadeMs > 0 ? static_cast<Uint32>(fadeMs) : 0;
  // Taken from the audio thread first: mode 3 must neither restart the
  // module during its fade nor reach it once freed.
  Mix_Music *music = _mmusic.exchange(nullptr, std::memory_order_relaxed);
  _fo_duration.store(duration, std::memory_order_relaxed);
  _fo.store(std::max<Uint32>(SDL_GetTicks(), 1), std::memory_order_release);  // 0 would mean no fade
  if (Mix_PlayingMusic()) Mix_FadeOutMusic(static_cast<int>(duration));
  SDL_Delay(duration);
  if (music) {
    if (Mix_PlayingMusic()) Mix_HaltMusic();
    Mix_FreeMusic(music);
  }
  Mix_CloseAudio();
  Mix_Quit();
}

Sint16 *ahGetAudioStream(void) { return _audioStream.load(std::memory_order_relaxed); }
long ahGetAudioStreamFrame(void) { return _audioStreamFrame.load(std::memory_order_relaxed); }
int ahGetAudioStreamLength(void) { return _audioStreamLength.load(std::memory_order_relaxed); }

void ahSetAudioStream(Sint16 *stream, int len) {
  _audioStream.store(stream, std::memory_order_relaxed);
  _audioStreamLength.store(len, std::memory_order_relaxed);
}

// Mean of the published values, left and right alike (0 when none).
float ahAverage(void) {
  const Sint16 *v = ahGetAudioStream();
  const int n = ahGetAudioStreamLength() / 2;
  if (!v || n <= 0) return 0.0f;
  float sum = 0.0f;
  for (int k = 0; k < n; ++k) sum += static_cast<float>(v[k]);
  return sum / static_cast<float>(n);
}

// Mean absolute step between neighbouring published values, in interleaved
// order. The total is kept wide enough for any block length.
int ahPathLength(void) {
  const Sint16 *v = ahGetAudioStream();
  const int m = ahGetAudioStreamLength() / 2 - 1;
  if (!v || m <= 0) return 0;
  Uint64 total = 0;
  for (int k = 0; k < m; ++k) total += static_cast<Uint64>(std::abs(v[k] - v[k + 1]));
  return static_cast<int>(total / static_cast<Uint64>(m));
}
