// The sky: the ceiling of the sky box, seen at a grazing angle and fading into
// white fog, so broad soft clouds on a clear blue read best.
#include <algorithm>
#include <cmath>

#include "ImageNoise.h"
#include "Images.h"

namespace {

const int kSize = 256;
const uint64_t kSeed = 0xC10D5EEDull;

struct Rgb {
  double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
  return {Lerp(a.r, b.r, t), Lerp(a.g, b.g, t), Lerp(a.b, b.b, t)};
}

const Rgb kBlue = {95, 155, 235}, kCloud = {252, 252, 255}, kCloudShade = {205, 214, 232};
// The first texel tints every wall by (181, 188, 215) / 255: this gives a soft
// blue haze of about (167, 177, 215) that matches the fogged horizon.
const Rgb kWallTexel = {235, 240, 255};

Rgb SkyTexel(int x, int y) {
  // Warp the lookup a little so the clouds drift in streaks instead of blobs.
  const double wx = x + 18 * (Fbm(x, y, 64, 2, kSeed + 1) - 0.5);
  const double wy = y + 18 * (Fbm(x, y, 64, 2, kSeed + 2) - 0.5);
  const double density = Fbm(wx * 0.8, wy * 1.3, 48, 5, kSeed);
  const double cover = SmoothStep(0.42, 0.68, density);
  const double thickness = SmoothStep(0.6, 0.8, density);
  const Rgb cloud = Mix(kCloud, kCloudShade, thickness * 0.7);
  Rgb colour = Mix(kBlue, cloud, cover);
  // Blend the corner into the wall colour so the first texel sits in a cloud.
  const double corner = std::exp(-(x * x + y * y) / 60.0);
  return Mix(colour, kWallTexel, corner);
}

}  // namespace

Bytes MakeSky() {
  Bytes sky(kSize * kSize * 3);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const Rgb colour = SkyTexel(x, y);
      uint8_t* texel = &sky[(y * kSize + x) * 3];
      texel[0] = (uint8_t)std::lround(std::clamp(colour.r, 0.0, 255.0));
      texel[1] = (uint8_t)std::lround(std::clamp(colour.g, 0.0, 255.0));
      texel[2] = (uint8_t)std::lround(std::clamp(colour.b, 0.0, 255.0));
    }
  }
  return sky;
}
