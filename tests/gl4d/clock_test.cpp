// The manual clock moves only when told and never runs backwards; the real
// clock resumes above the last manual reading.
#include <gtest/gtest.h>

#include "gl4d/clock.h"

TEST(Clock, ManualClockMovesOnlyWhenToldAndNeverBackwards) {
  gl4dSetManualClock(GL_TRUE);
  const double start = gl4dGetElapsedTime();
  EXPECT_EQ(gl4dGetElapsedTime(), start);
  gl4dAdvanceElapsedTime(250.0);
  EXPECT_DOUBLE_EQ(gl4dGetElapsedTime(), start + 250.0);
  gl4dSetElapsedTime(start + 100.0);  // earlier than now: ignored
  EXPECT_DOUBLE_EQ(gl4dGetElapsedTime(), start + 250.0);
  gl4dAdvanceElapsedTime(-50.0);
  EXPECT_DOUBLE_EQ(gl4dGetElapsedTime(), start + 250.0);
  gl4dSetElapsedTime(start + 1e6);
  EXPECT_DOUBLE_EQ(gl4dGetElapsedTime(), start + 1e6);
  gl4dSetManualClock(GL_FALSE);
  const double real = gl4dGetElapsedTime();
  EXPECT_GE(real, start + 1e6);
  EXPECT_GE(gl4dGetElapsedTime(), real);
}
