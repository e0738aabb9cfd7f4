// The layer's command-line options: what each takes, the forms of a value,
// what is refused and why, and that the program's own arguments stay alone.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "gl4d/options.h"

namespace {

struct Parsed {
  bool ok;
  gl4d::LayerOptions opt;
  std::string error;
};

Parsed parse(std::initializer_list<const char *> args) {
  std::vector<std::string> words = {"prog"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char *> argv;
  for (std::string &w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  Parsed p;
  p.ok = gl4d::parseLayerOptions(static_cast<int>(words.size()), argv.data(), &p.opt, &p.error);
  return p;
}

TEST(LayerOptions, NothingGivenIsALiveRunWithTheDefaults) {
  const Parsed p = parse({"-geometry", "800x600", "--verbose", "gl4d-capture=x.mp4"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_FALSE(p.opt.offline());
  EXPECT_EQ(p.opt.fps, 60);
  EXPECT_EQ(p.opt.width, 0);
  EXPECT_LT(p.opt.stopMs, 0.0);
  EXPECT_EQ(p.opt.stillsDir, ".");
}

TEST(LayerOptions, ValuesAfterAnEqualsSignOrAsTheNextArgument) {
  for (const Parsed &p : {parse({"--gl4d-capture=show.mp4", "--gl4d-fps=30", "--gl4d-size=640x360", "--gl4d-stop=148.46"}),
                          parse({"--gl4d-capture", "show.mp4", "--gl4d-fps", "30", "--gl4d-size", "640x360",
                                 "--gl4d-stop", "148.46"})}) {
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_TRUE(p.opt.capturing());
    EXPECT_EQ(p.opt.capturePath, "show.mp4");
    EXPECT_EQ(p.opt.fps, 30);
    EXPECT_EQ(p.opt.width, 640);
    EXPECT_EQ(p.opt.height, 360);
    EXPECT_DOUBLE_EQ(p.opt.stopMs, 148460.0);
  }
}

TEST(LayerOptions, TheProgramsOwnArgumentsAreLeftWhereTheyAre) {
  std::string words[] = {"prog", "--gl4d-stills=1", "--mine", "--gl4d-fps", "25", "file"};
  std::vector<char *> argv;
  for (std::string &w : words) argv.push_back(w.data());
  const std::vector<char *> before = argv;
  gl4d::LayerOptions opt;
  std::string error;
  ASSERT_TRUE(gl4d::parseLayerOptions(6, argv.data(), &opt, &error)) << error;
  EXPECT_EQ(argv, before);
  EXPECT_EQ(std::string(argv[2]), "--mine");
  EXPECT_EQ(opt.fps, 25);
}

TEST(LayerOptions, StillsAreSortedWithoutRepeatsInMilliseconds) {
  const Parsed p = parse({"--gl4d-stills=23,0.5,12,0.5", "--gl4d-stills-dir=out"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_TRUE(p.opt.takingStills());
  EXPECT_FALSE(p.opt.capturing());
  EXPECT_EQ(p.opt.stillsMs, (std::vector<double>{500.0, 12000.0, 23000.0}));
  EXPECT_EQ(p.opt.stillsDir, "out");
}

TEST(LayerOptions, TheLastOfARepeatedOptionCounts) {
  const Parsed p = parse({"--gl4d-stills=1,2", "--gl4d-fps=10", "--gl4d-stills=3", "--gl4d-fps=20"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.opt.stillsMs, std::vector<double>{3000.0});
  EXPECT_EQ(p.opt.fps, 20);
}

TEST(LayerOptions, HelpAloneOrWithOthers) {
  EXPECT_TRUE(parse({"--gl4d-help"}).opt.help);
  const Parsed p = parse({"--gl4d-stills=1", "--gl4d-help"});
  EXPECT_TRUE(p.ok);
  EXPECT_TRUE(p.opt.help);
  for (const char *option : {"--gl4d-capture", "--gl4d-stills", "--gl4d-stills-dir", "--gl4d-fps", "--gl4d-size",
                             "--gl4d-stop", "--gl4d-help"})
    EXPECT_NE(std::string(gl4d::layerOptionsHelp()).find(option), std::string::npos) << option;
}

// Each bad command line, and a word its message must hold.
TEST(LayerOptions, BadInputIsRefusedWithItsReason) {
  const struct {
    std::initializer_list<const char *> args;
    const char *says;
  } cases[] = {
      {{"--gl4d-bogus=1"}, "unknown option --gl4d-bogus"},
      {{"--gl4d-bogus"}, "unknown option --gl4d-bogus"},
      {{"--gl4d-capture"}, "needs a value"},
      {{"--gl4d-capture="}, "needs a file name"},
      {{"--gl4d-help=yes"}, "takes no value"},
      {{"--gl4d-stills=1,,2"}, "show times"},
      {{"--gl4d-stills=-1"}, "show times"},
      {{"--gl4d-stills=1s"}, "show times"},
      {{"--gl4d-stills=nan"}, "show times"},
      {{"--gl4d-stills=1e12"}, "show times"},
      {{"--gl4d-stills=1", "--gl4d-fps=0"}, "from 1 to 1000"},
      {{"--gl4d-stills=1", "--gl4d-fps=29.97"}, "whole number"},
      {{"--gl4d-stills=1", "--gl4d-size=640"}, "WIDTHxHEIGHT"},
      {{"--gl4d-stills=1", "--gl4d-size=0x360"}, "WIDTHxHEIGHT"},
      {{"--gl4d-stills=1", "--gl4d-size=640x-360"}, "WIDTHxHEIGHT"},
      {{"--gl4d-stills=1", "--gl4d-size=9000x10"}, "WIDTHxHEIGHT"},
      {{"--gl4d-stop=0"}, "above 0"},
      {{"--gl4d-stop=-3"}, "above 0"},
      {{"--gl4d-size=640x360"}, "needs --gl4d-capture or --gl4d-stills"},
      {{"--gl4d-fps=30"}, "needs --gl4d-capture or --gl4d-stills"},
      {{"--gl4d-capture=a.mp4", "--gl4d-size=641x360"}, "even"},
      {{"--gl4d-stills=5,12", "--gl4d-stop=12"}, "stop time"},
  };
  for (const auto &c : cases) {
    const Parsed p = parse(c.args);
    std::string line;
    for (const char *a : c.args) line += std::string(a) + " ";
    EXPECT_FALSE(p.ok) << line;
    EXPECT_NE(p.error.find(c.says), std::string::npos) << line << "gave: " << p.error;
  }
}

TEST(LayerOptions, OddStillSizesAreFineWithoutAVideo) {
  const Parsed p = parse({"--gl4d-stills=1", "--gl4d-size=33x17"});
  EXPECT_TRUE(p.ok) << p.error;
}

TEST(LayerOptions, StillFileNamesSortByShowTime) {
  EXPECT_EQ(gl4d::stillFileName(12500.0), "still-012.500.png");
  EXPECT_EQ(gl4d::stillFileName(0.0), "still-000.000.png");
  EXPECT_EQ(gl4d::stillFileName(148459.6), "still-148.460.png");
  EXPECT_LT(gl4d::stillFileName(9000.0), gl4d::stillFileName(10000.0));
}

}  // namespace
