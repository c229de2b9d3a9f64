// Deterministic noise for the image generator: a seeded hash instead of a
// random source, so every build writes the same bytes.
#pragma once

#include <cmath>
#include <cstdint>

// SplitMix64 finaliser: a well-mixed 64-bit value from any 64-bit input.
inline uint64_t Mix64(uint64_t value) {
  value += 0x9E3779B97F4A7C15ull;
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
  return value ^ (value >> 31);
}

// A value in [0, 1) fixed by the lattice point and the seed.
inline double LatticeValue(int64_t x, int64_t y, uint64_t seed) {
  const uint64_t h = Mix64(seed ^ Mix64((uint64_t)x * 0x632BE59BD9B4E019ull ^ (uint64_t)y));
  return (double)(h >> 11) * (1.0 / 9007199254740992.0);
}

inline double SmoothStep(double edge0, double edge1, double x) {
  double t = (x - edge0) / (edge1 - edge0);
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  return t * t * (3 - 2 * t);
}

inline double Lerp(double a, double b, double t) { return a + (b - a) * t; }

// Smoothly interpolated value noise in [0, 1) with lattice spacing 1.
inline double ValueNoise(double x, double y, uint64_t seed) {
  const double fx = std::floor(x), fy = std::floor(y);
  const int64_t ix = (int64_t)fx, iy = (int64_t)fy;
  const double tx = SmoothStep(0, 1, x - fx), ty = SmoothStep(0, 1, y - fy);
  const double top = Lerp(LatticeValue(ix, iy, seed), LatticeValue(ix + 1, iy, seed), tx);
  const double bottom =
      Lerp(LatticeValue(ix, iy + 1, seed), LatticeValue(ix + 1, iy + 1, seed), tx);
  return Lerp(top, bottom, ty);
}

// Fractal sum of octaves, each twice the frequency and half the weight; in [0, 1).
inline double Fbm(double x, double y, double period, int octaves, uint64_t seed) {
  double sum = 0, weight = 0.5, total = 0, frequency = 1 / period;
  for (int o = 0; o < octaves; ++o) {
    sum += weight * ValueNoise(x * frequency, y * frequency, seed + (uint64_t)o * 7919);
    total += weight;
    weight *= 0.5;
    frequency *= 2;
  }
  return sum / total;
}

// Ridged fractal: sharp crests where the noise crosses its middle value; in [0, 1].
inline double RidgedFbm(double x, double y, double period, int octaves, uint64_t seed) {
  double sum = 0, weight = 0.5, total = 0, frequency = 1 / period;
  for (int o = 0; o < octaves; ++o) {
    const double n = ValueNoise(x * frequency, y * frequency, seed + (uint64_t)o * 104729);
    const double crest = 1 - std::fabs(2 * n - 1);
    sum += weight * crest * crest;
    total += weight;
    weight *= 0.5;
    frequency *= 2;
  }
  return sum / total;
}
