// Audio start-up through the real SDL_mixer: what ahInitAudio opens and
// installs, its failures and their exit statuses, in process and as the
// whole demo seen from a shell.
#include <SDL2/SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "audioHelper.h"
#include "mod_fixture.h"
#include "support/run_dir.h"

namespace hf {
namespace {

class AudioStartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    dir_ = makeTempDir("honeyfold-audio");
    module_ = dir_ + "/fixture.mod";
    writeFixtureModule(module_);
  }
  void TearDown() override { removeTree(dir_); }
  std::string dir_, module_;
};

TEST_F(AudioStartupTest, OpensTheOutputAndPlaysNothingUntilModeThree) {
  ahInitAudio(module_.c_str());
  int frequency = 0, channels = 0;
  Uint16 format = 0;
  ASSERT_EQ(Mix_QuerySpec(&frequency, &format, &channels), 1);
  EXPECT_EQ(frequency, 48000);
  EXPECT_EQ(format, AUDIO_S16LSB);
  EXPECT_EQ(channels, 2);

  SDL_Delay(200);
  EXPECT_FALSE(Mix_PlayingMusic()) << "the module waits for mode 3";
  ahSetStep(3);
  for (int wait = 0; wait < 100 && !Mix_PlayingMusic(); ++wait) SDL_Delay(10);
  EXPECT_TRUE(Mix_PlayingMusic()) << "the installed routine starts it";

  ahClean(100);
  EXPECT_FALSE(Mix_PlayingMusic());
  EXPECT_EQ(Mix_QuerySpec(&frequency, &format, &channels), 0) << "audio closed";
}

TEST_F(AudioStartupTest, MissingModuleEndsWithStatus251) {
  const std::string missing = dir_ + "/audio/velvora.mod";
  EXPECT_EXIT(ahInitAudio(missing.c_str()), ::testing::ExitedWithCode(251), "^Erreur lors du Mix_LoadMUS: .+\n$");
}

TEST_F(AudioStartupTest, NoAudioDeviceEndsWithStatus252AndNoMessage) {
  EXPECT_EXIT(
      {
        setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        ahInitAudio(module_.c_str());
      },
      ::testing::ExitedWithCode(252), "^$");
}

// The whole demo, started from a shell in a directory of the test's own.
struct ShellRun {
  int status = -1;
  std::string err;
};

ShellRun runDemo(const std::string &dir, const std::string &audioDriver) {
  const std::string errFile = dir + "/stderr.txt";
  const std::string command = "cd '" + dir + "' && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=" + audioDriver + " '" +
                              HONEYFOLD_BINARY_DIR "/honeyfold' > /dev/null 2> '" + errFile + "'; echo $?";
  ShellRun run;
  FILE *shell = popen(command.c_str(), "r");
  if (!shell) return run;
  if (std::fscanf(shell, "%d", &run.status) != 1) run.status = -1;
  pclose(shell);
  std::ifstream in(errFile);
  std::stringstream text;
  text << in.rdbuf();
  run.err = text.str();
  std::filesystem::remove(errFile);
  return run;
}

TEST_F(AudioStartupTest, DemoInAnEmptyDirectoryEndsWith251AndTheMessage) {
  const std::string empty = makeTempDir("honeyfold-empty");
  const ShellRun run = runDemo(empty, "dummy");
  removeTree(empty);
  EXPECT_EQ(run.status, 251);
  EXPECT_NE(run.err.find("Erreur lors du Mix_LoadMUS: "), std::string::npos) << run.err;
}

TEST_F(AudioStartupTest, DemoWithoutAudioDeviceEndsWith252) {
  std::filesystem::create_directory(dir_ + "/audio");
  writeFixtureModule(dir_ + "/audio/velvora.mod");
  const ShellRun run = runDemo(dir_, "no-such-driver");
  EXPECT_EQ(run.status, 252);
  EXPECT_EQ(run.err.find("Mix_"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace hf
