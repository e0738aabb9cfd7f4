// Real players agree on velvora.mod: SDL_mixer (the demo's player) loads it
// and knows its length; libmodplug, under it, and Debian's openmpt123 render
// it whole without clipping, without gaps, and quiet around 880 Hz while the
// program's countdown beeps over the opening.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>
#include <libmodplug/modplug.h>

#include <cstdlib>
#include <filesystem>

#include "mod_reader.h"
#include "render_check.h"
#include "support/run_dir.h"

namespace {

const std::string kModPath = std::string(HONEYFOLD_BINARY_DIR) + "/audio/velvora.mod";
const double kShowSeconds = 106.7;  // from the spiral's first frame to the end of the show
const double kCountdownSeconds = 14.0;

void expectCleanRender(const modcheck::Pcm &pcm, const char *player) {
  SCOPED_TRACE(player);
  const double length = modcheck::play(modcheck::parseMod(modcheck::readBytes(kModPath))).length;
  EXPECT_NEAR(pcm.seconds(), kShowSeconds, 1.0);
  EXPECT_NEAR(pcm.seconds(), length, 0.25) << "the render plays the module once, whole";
  const modcheck::RenderFacts facts = modcheck::examine(pcm);
  EXPECT_LT(facts.peak, 32767 * 0.9) << "headroom below full scale";
  EXPECT_LE(facts.longestSilence, 1.0) << "silent from " << facts.longestSilenceAt << " s";
  EXPECT_LT(modcheck::bandAround880Db(pcm, kCountdownSeconds), -20.0) << "the opening keeps clear of the 880 Hz beeps";
}

TEST(SoundtrackPlayers, SdlMixerLoadsItAndReportsItsLength) {
  // No sound card here: the demo's open call goes to the dummy output.
  SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
  ASSERT_TRUE(Mix_Init(MIX_INIT_MOD) & MIX_INIT_MOD) << Mix_GetError();
  ASSERT_EQ(Mix_OpenAudio(48000, AUDIO_S16LSB, 2, 1024), 0) << Mix_GetError();
  Mix_Music *music = Mix_LoadMUS(kModPath.c_str());
  ASSERT_NE(music, nullptr) << Mix_GetError();
  EXPECT_EQ(Mix_GetMusicType(music), MUS_MOD);
  EXPECT_STREQ(Mix_GetMusicTitle(music), "velvora");
  EXPECT_NEAR(Mix_MusicDuration(music), kShowSeconds, 1.0);
  EXPECT_EQ(Mix_PlayMusic(music, 1), 0) << Mix_GetError();
  EXPECT_EQ(Mix_PlayingMusic(), 1);
  Mix_HaltMusic();
  Mix_FreeMusic(music);
  Mix_CloseAudio();
  Mix_Quit();
  SDL_Quit();
}

// libmodplug with the settings SDL_mixer gives it, at the demo's output format.
TEST(SoundtrackPlayers, LibmodplugRendersItCleanly) {
  const auto bytes = modcheck::readBytes(kModPath);
  ModPlug_Settings settings;
  ModPlug_GetSettings(&settings);
  settings.mFlags = MODPLUG_ENABLE_OVERSAMPLING;
  settings.mChannels = 2;
  settings.mBits = 16;
  settings.mFrequency = 48000;
  settings.mResamplingMode = MODPLUG_RESAMPLE_FIR;
  settings.mReverbDepth = 0;
  settings.mBassAmount = 0;
  settings.mSurroundDepth = 0;
  settings.mLoopCount = 0;
  ModPlug_SetSettings(&settings);
  ModPlugFile *file = ModPlug_Load(bytes.data(), static_cast<int>(bytes.size()));
  ASSERT_NE(file, nullptr);
  EXPECT_NEAR(ModPlug_GetLength(file) / 1000.0, kShowSeconds, 1.0);
  modcheck::Pcm pcm{48000, 2, {}};
  std::vector<std::int16_t> block(4096);
  int got = 0;
  while ((got = ModPlug_Read(file, block.data(), static_cast<int>(block.size() * 2))) > 0)
    pcm.values.insert(pcm.values.end(), block.begin(), block.begin() + got / 2);
  ModPlug_Unload(file);
  expectCleanRender(pcm, "libmodplug");
}

TEST(SoundtrackPlayers, Openmpt123RendersItCleanly) {
  ASSERT_EQ(std::system("command -v openmpt123 > /dev/null"), 0) << "openmpt123 is missing: run scripts/setup";
  const std::string dir = hf::makeTempDir("velvora-render");
  const std::string mod = dir + "/velvora.mod";
  std::filesystem::copy_file(kModPath, mod);
  const std::string command = "openmpt123 --quiet --force --render --no-float --samplerate 48000 '" + mod + "' > '" + dir + "/log' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << "see " << dir << "/log";
  expectCleanRender(modcheck::readWav16(mod + ".wav"), "openmpt123");
  hf::removeTree(dir);
}

}  // namespace
