// The height map and its colour image. The camera flies at height 368 (byte
// 184) from grid point (8, 8) toward +x and +z; a winding valley follows that
// line, with low crossing ridges it passes over and mountains on either side
// that rise above it. Elsewhere ridged mountains are cut by smaller valleys.
#include <algorithm>
#include <cmath>

#include "ImageNoise.h"
#include "Images.h"

namespace {

const uint64_t kSeed = 0x5EC1F00Dull;
const double kFlightStart = 8;  // grid units: (128, 128) in world units
const double kFlightX = 457 / 531.78, kFlightZ = 272 / 531.78;  // unit heading of the camera
const double kWaterLevel = 36;

struct FlightFrame {
  double along, across;  // grid units along the flight line and to its left
};

FlightFrame ToFlightFrame(double c, double r) {
  const double dc = c - kFlightStart, dr = r - kFlightStart;
  return {dc * kFlightX + dr * kFlightZ, dr * kFlightX - dc * kFlightZ};
}

// The valley's centre winds gently around the straight flight line, never
// further than the width of its floor.
double ValleyCentre(double along) {
  return 4.5 * std::sin(along * 2 * M_PI / 75) + 2.5 * std::sin(along * 2 * M_PI / 29 + 1.3);
}

// Floor of the valley: meadows and lakes with spurs reaching across it, all
// well below the camera.
double ValleyFloor(double c, double r, const FlightFrame& f) {
  double h = 10 + 70 * Fbm(c, r, 24, 4, kSeed + 1);
  const double spurs[] = {36, 78, 112, 146, 176};
  for (int k = 0; k < 5; ++k) {
    // Each spur bends across the valley and thins out toward one side.
    const double bend = 5 * std::sin(f.across / 9 + k * 1.7);
    const double d = (f.along - spurs[k] - bend) / 6;
    const double side = SmoothStep(-14, 10, (k % 2 ? 1 : -1) * f.across);
    h += (45 + 40 * side) * std::exp(-d * d) * (0.75 + 0.5 * Fbm(c, r, 10, 2, kSeed + 2));
  }
  return h;
}

// Mountains: ridged crests over rolling ground, cut by winding side valleys.
double Mountains(double c, double r) {
  const double ground = Fbm(c, r, 48, 5, kSeed + 3);
  const double crests = RidgedFbm(c + 17, r - 5, 40, 5, kSeed + 4);
  double h = 100 + 65 * ground + 130 * std::pow(crests, 1.3);
  const double sideValley = std::fabs(Fbm(c, r, 70, 3, kSeed + 5) - 0.5);
  h *= 0.55 + 0.45 * SmoothStep(0.0, 0.1, sideValley);
  return h;
}

// The ranges right beside the flight valley stand higher, so they frame the view.
double RangeLift(double offCentre) {
  const double d = (offCentre - 30) / 12;
  return 55 * std::exp(-d * d);
}

double Height(int c, int r) {
  const FlightFrame f = ToFlightFrame(c, r);
  const double offCentre = std::fabs(f.across - ValleyCentre(f.along));
  const double wall = SmoothStep(10, 26, offCentre);
  double h = Lerp(ValleyFloor(c, r, f), Mountains(c, r) + RangeLift(offCentre), wall);
  if (h < kWaterLevel) h = kWaterLevel;
  return std::min(h, 255.0);
}

struct Rgb {
  double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
  return {Lerp(a.r, b.r, t), Lerp(a.g, b.g, t), Lerp(a.b, b.b, t)};
}

// Bright base colours: the terrain is seen at about 40 % of its texture.
const Rgb kWater = {70, 145, 240}, kSand = {240, 222, 150}, kGrass = {120, 225, 75},
          kForest = {45, 160, 60}, kMeadow = {175, 215, 95}, kWarmRock = {210, 172, 135},
          kGreyRock = {165, 165, 172}, kSnow = {255, 255, 255};

// Colour of a cell from its mean height (bytes), its steepness (rise per run)
// and two noise values that break up the bands.
Rgb CellColour(double h, double steepness, double patch, double grain) {
  if (h <= kWaterLevel + 0.5) return Mix(kWater, {90, 170, 255}, grain);
  Rgb colour = Mix(kSand, kGrass, SmoothStep(38, 48, h));
  colour =
      Mix(colour, kForest,
          SmoothStep(0.45, 0.65, patch) * SmoothStep(48, 60, h) * (1 - SmoothStep(130, 160, h)));
  colour = Mix(colour, kMeadow, SmoothStep(120, 165, h));
  const Rgb rock = Mix(kWarmRock, kGreyRock, 0.5 + 0.5 * std::sin(h * 0.35 + patch * 6));
  colour = Mix(colour, rock, std::max(SmoothStep(165, 205, h), SmoothStep(0.8, 1.4, steepness)));
  colour = Mix(colour, kSnow, SmoothStep(200, 225, h) * (1 - SmoothStep(0.9, 1.4, steepness)));
  const double vary = 0.9 + 0.2 * grain;
  return {colour.r * vary, colour.g * vary, colour.b * vary};
}

// Relief baked into the texture: lighting cannot show it, since every
// terrain normal faces downward and the ground is lit by ambient light alone.
double HillShade(double dx, double dz) {
  const double nx = -dx, ny = 8, nz = -dz;         // upward normal in byte units per cell
  const double lx = -0.55, ly = 0.75, lz = -0.37;  // sun from the -x, -z side, high up
  const double lambert = (nx * lx + ny * ly + nz * lz) / std::sqrt(nx * nx + ny * ny + nz * nz);
  return 0.45 + 0.75 * std::max(0.0, lambert);
}

uint8_t ToByte(double v) { return (uint8_t)std::lround(std::clamp(v, 0.0, 255.0)); }

}  // namespace

Bytes MakeHeights() {
  Bytes heights(kGrid * kGrid);
  for (int r = 0; r < kGrid; ++r) {
    for (int c = 0; c < kGrid; ++c) heights[r * kGrid + c] = ToByte(Height(c, r));
  }
  return heights;
}

Bytes MakeTerrainTexture(const Bytes& heights) {
  auto at = [&](int c, int r) {
    return (double)heights[std::min(r, kGrid - 1) * kGrid + std::min(c, kGrid - 1)];
  };
  Bytes texels(kGrid * kGrid * 3);
  for (int r = 0; r < kGrid; ++r) {
    for (int c = 0; c < kGrid; ++c) {
      // The texel colours the cell whose lower corner is sample (r, c).
      const double dx = (at(c + 1, r) + at(c + 1, r + 1) - at(c, r) - at(c, r + 1)) / 2;
      const double dz = (at(c, r + 1) + at(c + 1, r + 1) - at(c, r) - at(c + 1, r)) / 2;
      const double mean = (at(c, r) + at(c + 1, r) + at(c, r + 1) + at(c + 1, r + 1)) / 4;
      const double steepness = std::sqrt(dx * dx + dz * dz) / 8;
      const double patch = Fbm(c, r, 14, 3, kSeed + 6);
      const double grain = LatticeValue(c, r, kSeed + 7);
      const Rgb colour = CellColour(mean, steepness, patch, grain);
      const double shade = mean <= kWaterLevel + 0.5 ? 1.0 : HillShade(dx, dz);
      uint8_t* texel = &texels[(r * kGrid + c) * 3];
      texel[0] = ToByte(colour.r * shade);
      texel[1] = ToByte(colour.g * shade);
      texel[2] = ToByte(colour.b * shade);
    }
  }
  return texels;
}
