// velvora_writer as the build runs it: a module for a good score, a clear
// message and no file for a bad one.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "mod_reader.h"
#include "support/run_dir.h"

namespace {

class SoundtrackWriterRun : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = hf::makeTempDir("velvora-writer"); }
  void TearDown() override { hf::removeTree(dir_); }

  std::string path(const std::string &name) const { return dir_ + "/" + name; }

  void write(const std::string &name, const std::string &text) const { std::ofstream(path(name)) << text; }

  // Exit status of the writer; its standard error lands in `errors`.
  int run(const std::string &arguments) {
    const std::string command = std::string(VELVORA_WRITER) + " " + arguments + " > " + path("out") + " 2> " + path("err");
    const int status = std::system(command.c_str());
    std::ifstream in(path("err"));
    std::ostringstream text;
    text << in.rdbuf();
    errors = text.str();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string dir_;
  std::string errors;
};

const char *kGoodScore =
    "title tiny\nspeed 3\ntempo 150\nchannels a b c d\n"
    "sample beat kick 64\nsample low bass 40\n"
    "track t 16 low\n  A-1 ~7 C-2 ~7\n"
    "pattern p 16\n  a t\n  b t\n"
    "section \"all\"\nplay p p\n";

TEST_F(SoundtrackWriterRun, WritesAModuleForAGoodScore) {
  write("good.score", kGoodScore);
  ASSERT_EQ(run(path("good.score") + " " + path("good.mod")), 0) << errors;
  const auto mod = modcheck::parseMod(modcheck::readBytes(path("good.mod")));
  EXPECT_EQ(mod.title, "tiny");
  EXPECT_EQ(mod.orderCount, 2);
  EXPECT_EQ(mod.samples[1].name, "low");
  const auto playback = modcheck::play(mod);
  EXPECT_EQ(playback.firstSpeed, 3);
  EXPECT_EQ(playback.firstTempo, 150);
  EXPECT_DOUBLE_EQ(playback.length, 32 * 3 * 2.5 / 150);
}

TEST_F(SoundtrackWriterRun, ABadScoreIsNamedAndNothingIsWritten) {
  write("bad.score", "title tiny\nspeed 6\ntempo 121\nplay nothing\n");
  EXPECT_EQ(run(path("bad.score") + " " + path("bad.mod")), 1);
  EXPECT_EQ(errors, "velvora_writer: " + path("bad.score") + ":4: unknown pattern 'nothing'\n");
  EXPECT_FALSE(std::filesystem::exists(path("bad.mod")));

  EXPECT_EQ(run(path("missing.score") + " " + path("bad.mod")), 1);
  EXPECT_EQ(errors, "velvora_writer: cannot read " + path("missing.score") + "\n");

  write("good.score", kGoodScore);
  EXPECT_EQ(run(path("good.score") + " " + path("no/such/dir/x.mod")), 1);
  EXPECT_EQ(errors, "velvora_writer: cannot write " + path("no/such/dir/x.mod") + "\n");
}

TEST_F(SoundtrackWriterRun, WrongArgumentsGiveTheUsage) {
  EXPECT_EQ(run(""), 2);
  EXPECT_EQ(errors, "usage: velvora_writer SCORE OUTPUT\n");
  EXPECT_EQ(run("a b c"), 2);
}

}  // namespace
