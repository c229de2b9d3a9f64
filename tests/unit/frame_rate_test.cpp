#include <gtest/gtest.h>

#include <cstdint>

#include "render/CRenderer.h"

namespace {

TEST(AverageFrameRate, TruncatesWholeFramesPerSecond) {
  EXPECT_EQ(AverageFrameRate(600, 1000, 1010), 60u);
  EXPECT_EQ(AverageFrameRate(599, 1000, 1010), 59u);
  EXPECT_EQ(AverageFrameRate(0, 1000, 1010), 0u);
  EXPECT_EQ(AverageFrameRate(UINT32_MAX, 0, 1), UINT32_MAX);
}

TEST(AverageFrameRate, ClockGoingBackwardsGivesZero) {
  EXPECT_EQ(AverageFrameRate(600, 1010, 1000), 0u);
}

TEST(AverageFrameRate, RunInsideOneSecondCountsAsOneSecond) {
  EXPECT_EQ(AverageFrameRate(42, 1000, 1000), 42u);
  EXPECT_EQ(AverageFrameRate(0, 1000, 1000), 0u);
}

TEST(AverageFrameRate, ElapsedTimeSurvivesTheWrapOf32BitSeconds) {
  EXPECT_EQ(AverageFrameRate(600, INT32_MAX - 4, INT32_MIN + 5), 60u);
}

}  // namespace
