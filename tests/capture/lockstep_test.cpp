// The sound/picture lock-step with a real second thread standing for SDL's
// sound thread: what each block sees of the picture's clock, how far each
// side may run ahead, start-up blocks, release, and giving up on a sound
// thread that stopped.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "gl4d/lockstep.h"

namespace {

using namespace std::chrono_literals;

constexpr double kBlock = 1024.0;             // sound frames a block
constexpr double kFramePos = 48000.0 / 30.0;  // sound frames a picture frame, at 30 fps

struct Sound {
  gl4d::LockStep &lock;
  std::atomic<double> &clock;  // the picture's clock, in sound frames
  std::vector<double> seen;    // what block k read when it was mixed (k = 0 the start-up block)
  std::thread thread;

  void run(int blocks) {
    thread = std::thread([this, blocks] {
      for (int k = 0; k < blocks; ++k) {
        seen.push_back(clock.load());
        lock.afterBlock();
      }
    });
  }
};

TEST(LockStep, EachBlockIsMixedWithinAFrameAfterItsStartAndEachFrameWaitsForItsSound) {
  gl4d::LockStep lock(kBlock);
  std::atomic<double> clock{0.0};
  Sound sound{lock, clock, {}, {}};
  constexpr int kFrames = 300, kBlocks = 1 + static_cast<int>(kFrames * kFramePos / kBlock);
  sound.run(kBlocks);
  ASSERT_TRUE(lock.waitForSound(5s));
  for (int n = 0; n < kFrames; ++n) {
    const double pos = n * kFramePos;
    clock.store(pos);
    ASSERT_TRUE(lock.advancePicture(pos));
    const auto done = lock.showBlocks();
    // The sound has caught up with the frame, and is less than a block ahead.
    EXPECT_GE(done, static_cast<std::uint64_t>(std::ceil(pos / kBlock))) << "frame " << n;
    EXPECT_LE(done, static_cast<std::uint64_t>(std::floor(pos / kBlock)) + 1) << "frame " << n;
  }
  lock.advancePicture((kBlocks - 1) * kBlock);  // lets the last block through
  sound.thread.join();
  EXPECT_EQ(lock.startupBlocks(), 1u);
  ASSERT_EQ(sound.seen.size(), static_cast<size_t>(kBlocks));
  for (int k = 0; k + 1 < kBlocks; ++k) {
    const double start = k * kBlock, read = sound.seen[static_cast<size_t>(k) + 1];
    EXPECT_GE(read, start) << "block " << k << " was mixed before the picture reached it";
    EXPECT_LE(read, start + kFramePos) << "block " << k << " was mixed more than a frame late";
  }
}

TEST(LockStep, StartUpBlocksWaitForTheShowToStart) {
  gl4d::LockStep lock(kBlock);
  std::atomic<double> clock{0.0};
  Sound sound{lock, clock, {}, {}};
  sound.run(3);
  ASSERT_TRUE(lock.waitForSound(5s));
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(lock.startupBlocks(), 1u);
  EXPECT_EQ(lock.showBlocks(), 0u);
  lock.advancePicture(0.0);  // the show starts: block 0 may be mixed, no further
  lock.advancePicture(kBlock);
  lock.release();
  sound.thread.join();
  EXPECT_EQ(lock.startupBlocks() + lock.showBlocks(), 3u);
}

TEST(LockStep, ReleaseLetsAWaitingSoundThreadRunOn) {
  gl4d::LockStep lock(kBlock);
  std::atomic<double> clock{0.0};
  Sound sound{lock, clock, {}, {}};
  sound.run(200);
  ASSERT_TRUE(lock.waitForSound(5s));
  lock.advancePicture(10 * kBlock);  // the picture stops here
  EXPECT_GE(lock.showBlocks(), 10u);
  EXPECT_LE(lock.showBlocks(), 11u);
  lock.release();
  sound.thread.join();  // would hang without the release
  EXPECT_TRUE(lock.released());
  EXPECT_EQ(lock.showBlocks(), 199u);
}

TEST(LockStep, ReleaseBeforeTheShowFreesTheStartUpBlock) {
  gl4d::LockStep lock(kBlock);
  std::atomic<double> clock{0.0};
  Sound sound{lock, clock, {}, {}};
  sound.run(5);
  ASSERT_TRUE(lock.waitForSound(5s));
  lock.release();
  sound.thread.join();
  EXPECT_EQ(lock.startupBlocks(), 5u);
}

TEST(LockStep, WithoutSoundFramesDoNotWait) {
  gl4d::LockStep lock(kBlock);
  EXPECT_FALSE(lock.waitForSound(20ms));
  for (int n = 0; n < 10; ++n) EXPECT_TRUE(lock.advancePicture(n * kFramePos));
  EXPECT_FALSE(lock.attached());
}

TEST(LockStep, ASoundThreadThatStopsIsGivenUpOnOnce) {
  gl4d::LockStep lock(kBlock);
  lock.setWatchdog(100ms);
  std::atomic<double> clock{0.0};
  Sound sound{lock, clock, {}, {}};
  sound.run(4);  // then the thread ends, as a closed sound device would
  ASSERT_TRUE(lock.waitForSound(5s));
  ASSERT_TRUE(lock.advancePicture(3 * kBlock));
  sound.thread.join();
  EXPECT_FALSE(lock.advancePicture(20 * kBlock));
  EXPECT_FALSE(lock.attached());
  EXPECT_TRUE(lock.advancePicture(40 * kBlock)) << "a second frame must not wait again";
}

}  // namespace
