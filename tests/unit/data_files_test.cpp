// The generated data files: each has the size the program reads, and they
// suit the flight over the terrain, the overlay's inverted alpha, the sky
// box's tint and the band.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "TestFiles.h"

namespace {

// The camera flies at height 368 (byte 184) from (128, 128) toward (585, 400):
// well above the valley floor, with ridges alongside rising above it.
TEST(DataFiles, TerrainLeavesTheFlightClearWithRidgesAlongside) {
  const std::string heights = ShippedFile("Scape.raw");
  ASSERT_EQ(heights.size(), 36864u);
  const double dx = 457 / 531.78, dz = 272 / 531.78;
  int highestUnderPath = 0, flank = 0, flankAbove = 0;
  for (int r = 0; r < 192; ++r) {
    for (int c = 0; c < 192; ++c) {
      const double along = (c - 8) * dx + (r - 8) * dz,
                   across = std::fabs((r - 8) * dx - (c - 8) * dz);
      const int h = (uint8_t)heights[r * 192 + c];
      if (along < 0) continue;
      if (across <= 3) highestUnderPath = std::max(highestUnderPath, h);
      if (across >= 12 && across <= 40) ++flank, flankAbove += h > 184;
    }
  }
  EXPECT_LT(highestUnderPath, 160);
  EXPECT_GT(flankAbove, flank / 4);
}

// Lit by ambient light only, the terrain shows about 40 % of its texture.
TEST(DataFiles, TerrainTextureIsBrightEnoughUnderAmbientLight) {
  const std::string texels = ShippedFile("scape.tex");
  ASSERT_EQ(texels.size(), 110592u);
  double sum = 0;
  for (unsigned char byte : texels) sum += byte;
  EXPECT_NEAR(0.4 * sum / texels.size(), 70, 30);
}

// The logo adds bright letters (alpha 0) to an untouched background (alpha 255).
TEST(DataFiles, LogoAddsBrightLettersOverAnUntouchedBackground) {
  const std::string logo = ShippedFile("skelv.rgba");
  ASSERT_EQ(logo.size(), 32768u);
  int letters = 0;
  for (int i = 0; i < 128 * 64; ++i) {
    if (logo[i * 4 + 3] != 0) continue;
    ++letters;
    EXPECT_GT((uint8_t)logo[i * 4] + (uint8_t)logo[i * 4 + 1] + (uint8_t)logo[i * 4 + 2], 300) << i;
  }
  EXPECT_EQ((uint8_t)logo[3], 255);
  EXPECT_GT(letters, 128 * 64 / 10);
  EXPECT_LT(letters, 128 * 64 / 2);
}

// Every wall shows the first sky texel times (181, 188, 215) / 255: light blue.
TEST(DataFiles, FirstSkyTexelGivesLightBlueWalls) {
  const std::string sky = ShippedFile("sky.raw");
  ASSERT_EQ(sky.size(), 196608u);
  EXPECT_GT((uint8_t)sky[0] * 181 / 255, 150);
  EXPECT_GE((uint8_t)sky[2] * 215 / 255, 210);
}

// A type 1 standard MIDI file of 8 tracks with drums on channel 10.
TEST(DataFiles, MusicIsEightTracksWithDrums) {
  const std::string music = ShippedFile("Duridaz.mid");
  EXPECT_EQ(music.substr(0, 12), std::string("MThd\0\0\0\6\0\1\0\x08", 12));
  EXPECT_GT(std::count(music.begin(), music.end(), '\x99'), 200);
}

}  // namespace
