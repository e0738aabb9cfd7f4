// SDL_GetTicks: the layer's definition is the one the program and SDL_mixer
// reach; outside offline runs it is SDL's clock, in them the frames' clock.
#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "gl4d/gl4d.h"

namespace {

using namespace std::chrono_literals;

TEST(Ticks, TheProgramReachesTheLayersDefinition) {
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void *>(&SDL_GetTicks), &info), 0);
  EXPECT_NE(std::string(info.dli_fname).find("libgl4d"), std::string::npos) << info.dli_fname;
}

TEST(Ticks, OutsideOfflineRunsTheyAreSDLs) {
  // SDL's SDL_GetTicks is the low 32 bits of SDL_GetTicks64.
  const Uint64 before = SDL_GetTicks64();
  const Uint32 ticks = SDL_GetTicks();
  const Uint64 after = SDL_GetTicks64();
  EXPECT_GE(ticks, static_cast<Uint32>(before));
  EXPECT_LE(ticks, static_cast<Uint32>(after));
}

[[noreturn]] void fails(const std::string &why) {
  std::fprintf(stderr, "child: %s\n", why.c_str());
  std::exit(3);
}

bool playingWithin(int channel, std::chrono::milliseconds wait) {
  const auto end = std::chrono::steady_clock::now() + wait;
  while (std::chrono::steady_clock::now() < end) {
    if (!Mix_Playing(channel)) return false;
    std::this_thread::sleep_for(2ms);
  }
  return Mix_Playing(channel) != 0;
}

// An offline run: the ticks read the layer's clock, in the program and in
// SDL_mixer (whose channel expiry compares them each block).
void offlineTicks() {
  char name[] = "ticks", stills[] = "--gl4d-stills=1", dir[] = "--gl4d-stills-dir=/tmp";
  char *argv[] = {name, stills, dir, nullptr};
  if (!gl4duwCreateWindow(3, argv, "ticks", 0, 0, 16, 16, 0)) std::exit(4);
  if (SDL_GetTicks() != 0) fails("ticks do not start at the show clock's 0");
  gl4dSetElapsedTime(1234.9);
  if (SDL_GetTicks() != 1234) fails("ticks " + std::to_string(SDL_GetTicks()) + " at 1234.9 ms");

  if (Mix_OpenAudio(48000, AUDIO_S16LSB, 2, 1024) != 0) fails(Mix_GetError());
  std::vector<Uint8> silence(4096, 0);
  Mix_Chunk *chunk = Mix_QuickLoad_RAW(silence.data(), static_cast<Uint32>(silence.size()));
  const int channel = Mix_PlayChannel(-1, chunk, -1);
  if (channel < 0) fails(Mix_GetError());
  Mix_ExpireChannel(channel, 100);  // at tick 1334
  // The disk driver mixes thousands of blocks a second; real time passes
  // but the ticks stand still, so the channel plays on.
  if (!playingWithin(channel, 300ms)) fails("SDL_mixer expired the channel on its real clock");
  gl4dSetElapsedTime(1400.0);
  if (playingWithin(channel, 5000ms)) fails("SDL_mixer did not see the ticks move");
  Mix_CloseAudio();
  Mix_FreeChunk(chunk);
  std::exit(0);
}

TEST(Ticks, InAnOfflineRunTheyFollowTheFramesClockInSDLMixerToo) {
  EXPECT_EXIT(offlineTicks(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
