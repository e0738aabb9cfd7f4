// The tests' main: headless SDL (offscreen video, dummy audio) unless the environment says otherwise. The code under
// test ends the process with exit(0) in places: inside a test that is a failure, not a pass. Under CI=true everything
// can run: a skipped test there fails.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static bool _finished = false;

struct SkipsFail : ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo &t) override { EXPECT_FALSE(t.result()->Skipped()) << "under CI=true"; }
};

static void exitedInsideATest() {
  if (_finished) return;
  std::fprintf(stderr, "the process ended inside a test\n");
  _exit(99);
}

int main(int argc, char **argv) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  bool deathTestChild = false;
  for (int i = 1; i < argc; ++i) deathTestChild |= std::strstr(argv[i], "internal_run_death_test") != nullptr;
  ::testing::InitGoogleTest(&argc, argv);
  if (const char *ci = std::getenv("CI"); ci && std::strcmp(ci, "true") == 0)
    ::testing::UnitTest::GetInstance()->listeners().Append(new SkipsFail);
  if (!deathTestChild) std::atexit(exitedInsideATest);
  const int status = RUN_ALL_TESTS();
  _finished = true;
  return status;
}
