// The real honeyfold started in a scratch directory. In an empty one it goes
// on past the extraction and ends in the audio start-up, the module being
// missing; with the archives it is ended right after the extraction (with the
// X11 video driver and no display the window cannot open: main returns 1).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_dir.h"
#include "unzip_test_support.h"

namespace {

const std::string kProgram = HONEYFOLD_BINARY_DIR "/honeyfold";

hf::ProgramRun startWithoutWindow(const std::string &dir) {
  return hf::runProgram({kProgram}, dir, {"SDL_VIDEODRIVER=x11"}, {"DISPLAY", "WAYLAND_DISPLAY"});
}

TEST(UnzipStartup, InAnEmptyDirectoryEveryMemberIsReportedMissingThenTheAudioStartUpEndsIt) {
  const std::string dir = hf::makeTempDir("honeyfold-start");
  const hf::ProgramRun run =
      hf::runProgram({kProgram}, dir, {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"}, {});
  const std::vector<std::string> files = hf::filesUnder(dir);
  hf::removeTree(dir);

  std::vector<std::string> expected = {"file audio/velvora.mod not found in the zipfile"};
  for (const std::string &name : hf::shaderMemberNames())
    expected.push_back("file " + name + " not found in the zipfile");
  EXPECT_EQ(hf::splitLines(run.out), expected);
  EXPECT_EQ(run.status, 251) << run.err;
  const std::vector<std::string> errors = hf::splitLines(run.err);
  ASSERT_FALSE(errors.empty());
  EXPECT_EQ(errors.back().rfind("Erreur lors du Mix_LoadMUS: ", 0), 0u) << run.err;
  EXPECT_TRUE(files.empty());
}

// The archives the build packed, next to a fresh start of the program.
TEST(UnzipStartup, BuiltArchivesUnpackToTheSources) {
  const std::string dir = hf::makeTempDir("honeyfold-start");
  hf::writeFile(dir + "/shaders.zip", hf::readFile(HONEYFOLD_BINARY_DIR "/shaders.zip"));
  const bool music = HONEYFOLD_HAS_MUSIC_ZIP;
  if (music) hf::writeFile(dir + "/music.zip", hf::readFile(HONEYFOLD_BINARY_DIR "/music.zip"));
  const hf::ProgramRun run = startWithoutWindow(dir);

  std::vector<std::string> expected = {music ? " extracting: audio/velvora.mod"
                                             : "file audio/velvora.mod not found in the zipfile"};
  for (const std::string &name : hf::shaderMemberNames()) {
    expected.push_back(" extracting: " + name);
    EXPECT_EQ(hf::readFile(dir + "/" + name), hf::readFile(HONEYFOLD_SOURCE_DIR "/" + name)) << name;
  }
  if (music) {
    EXPECT_EQ(hf::readFile(dir + "/audio/velvora.mod"), hf::readFile(HONEYFOLD_BINARY_DIR "/audio/velvora.mod"));
  }
  hf::removeTree(dir);
  EXPECT_EQ(hf::splitLines(run.out), expected);
  EXPECT_EQ(run.status, 1) << run.err;
}

}  // namespace
