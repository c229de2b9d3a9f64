// The generated data files: their sizes, and that they suit the flight over
// the terrain and the overlay's inverted alpha.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "LogFile.h"

namespace {

std::string DataFile(const char* name) {
  return ReadWholeFile(std::string(SKELV_BUILD_DIR) + "/" + name);
}

TEST(DataFiles, HaveTheirFixedSizes) {
  EXPECT_EQ(DataFile("Scape.raw").size(), 36864u);
  EXPECT_EQ(DataFile("scape.tex").size(), 110592u);
  EXPECT_EQ(DataFile("skelv.rgba").size(), 32768u);
  EXPECT_EQ(DataFile("sky.raw").size(), 196608u);
}

// The camera flies at height 368, byte 184, from (128, 128) toward (585, 400).
TEST(DataFiles, TerrainLeavesTheFlightClearWithRidgesAlongside) {
  const std::string heights = DataFile("Scape.raw");
  ASSERT_EQ(heights.size(), 36864u);
  const double dx = 457 / 531.78, dz = 272 / 531.78;
  int highestUnderPath = 0, flank = 0, flankAbove = 0;
  for (int r = 0; r < 192; ++r) {
    for (int c = 0; c < 192; ++c) {
      const double along = (c - 8) * dx + (r - 8) * dz, across = (r - 8) * dx - (c - 8) * dz;
      const int h = (uint8_t)heights[r * 192 + c];
      if (along < 0) continue;
      if (std::fabs(across) <= 3) highestUnderPath = std::max(highestUnderPath, h);
      if (std::fabs(across) >= 12 && std::fabs(across) <= 40) {
        ++flank;
        flankAbove += h > 184;
      }
    }
  }
  EXPECT_LT(highestUnderPath, 160) << "the camera must pass well above the valley";
  EXPECT_GT(flankAbove, flank / 4) << "ridges beside the valley should rise above the camera";
}

// The terrain is lit by ambient light only, about 40 % of its texture.
TEST(DataFiles, TerrainTextureStaysReadableWhenDimmed) {
  const std::string texels = DataFile("scape.tex");
  ASSERT_EQ(texels.size(), 110592u);
  double sum = 0;
  for (unsigned char byte : texels) sum += byte;
  const double dimmedMean = 0.4 * sum / texels.size();
  EXPECT_GT(dimmedMean, 40);
  EXPECT_LT(dimmedMean, 102);
}

TEST(DataFiles, LogoAddsBrightLettersOverAnUntouchedBackground) {
  const std::string logo = DataFile("skelv.rgba");
  ASSERT_EQ(logo.size(), 32768u);
  auto alpha = [&](int x, int y) { return (uint8_t)logo[(y * 128 + x) * 4 + 3]; };
  EXPECT_EQ(alpha(0, 0), 255);
  EXPECT_EQ(alpha(127, 0), 255);
  EXPECT_EQ(alpha(0, 63), 255);
  EXPECT_EQ(alpha(127, 63), 255);
  int added = 0;
  for (int i = 0; i < 128 * 64; ++i) {
    if (logo[i * 4 + 3] != 0) continue;
    ++added;
    const int brightness =
        (uint8_t)logo[i * 4] + (uint8_t)logo[i * 4 + 1] + (uint8_t)logo[i * 4 + 2];
    EXPECT_GT(brightness, 300) << "pixel " << i;
  }
  EXPECT_GT(added, 128 * 64 / 10);
  EXPECT_LT(added, 128 * 64 / 2);
}

// Every wall shows the first sky texel times (181, 188, 215) / 255.
TEST(DataFiles, FirstSkyTexelGivesLightBlueWalls) {
  const std::string sky = DataFile("sky.raw");
  ASSERT_EQ(sky.size(), 196608u);
  const int wall[3] = {(uint8_t)sky[0] * 181 / 255, (uint8_t)sky[1] * 188 / 255,
                       (uint8_t)sky[2] * 215 / 255};
  EXPECT_GT(wall[0], 150);
  EXPECT_GT(wall[2], wall[0]);
  EXPECT_GE(wall[2], wall[1]);
}

}  // namespace
