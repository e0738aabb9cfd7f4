// The tests' main: headless SDL (offscreen video, dummy audio) unless the
// environment says otherwise.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
