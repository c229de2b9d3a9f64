// Previews: the height map with the flight line, the terrain texture as
// delivered and at the 40 % the ambient light shows, the sky, and the logo
// over dark and light backgrounds as the additive overlay blends it.
#include "ImagePreview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

bool WritePpm(const std::string& path, int width, int height, const Bytes& rgb) {
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  fprintf(file, "P6\n%d %d\n255\n", width, height);
  const bool ok = fwrite(rgb.data(), 1, rgb.size(), file) == rgb.size();
  return fclose(file) == 0 && ok;
}

// Grey by height; samples above the camera (byte 184) in red; the flight line in yellow.
Bytes HeightMap(const Bytes& heights) {
  Bytes rgb(kGrid * kGrid * 3);
  for (int i = 0; i < kGrid * kGrid; ++i) {
    const uint8_t h = heights[i];
    rgb[i * 3] = h;
    rgb[i * 3 + 1] = h > 184 ? h / 3 : h;
    rgb[i * 3 + 2] = h > 184 ? h / 3 : h;
  }
  for (double t = 0; t < 400; t += 0.25) {
    const int c = (int)std::lround(8 + t * 457 / 531.78),
              r = (int)std::lround(8 + t * 272 / 531.78);
    if (c >= kGrid || r >= kGrid) break;
    uint8_t* p = &rgb[(r * kGrid + c) * 3];
    p[0] = 255;
    p[1] = 230;
    p[2] = 0;
  }
  return rgb;
}

Bytes Scaled(const Bytes& rgb, double factor) {
  Bytes out(rgb.size());
  for (size_t i = 0; i < rgb.size(); ++i) out[i] = (uint8_t)std::lround(rgb[i] * factor);
  return out;
}

// What the overlay does: destination plus the colour times (1 - alpha).
Bytes LogoOver(const Bytes& logo, uint8_t r, uint8_t g, uint8_t b) {
  const uint8_t background[3] = {r, g, b};
  Bytes out(128 * 64 * 3);
  for (int i = 0; i < 128 * 64; ++i) {
    const double add = 1 - logo[i * 4 + 3] / 255.0;
    for (int k = 0; k < 3; ++k) {
      out[i * 3 + k] = (uint8_t)std::min(255.0, std::round(background[k] + add * logo[i * 4 + k]));
    }
  }
  return out;
}

// Prints how the terrain sits around the flight line: the highest sample
// under the camera's path and how much of the flanks rises above it.
void ReportFlight(const Bytes& heights) {
  const double dx = 457 / 531.78, dz = 272 / 531.78;
  int highest = 0, flankSamples = 0, flankAbove = 0;
  for (int r = 0; r < kGrid; ++r) {
    for (int c = 0; c < kGrid; ++c) {
      const double along = (c - 8) * dx + (r - 8) * dz, across = (r - 8) * dx - (c - 8) * dz;
      const int h = heights[r * kGrid + c];
      if (along < 0) continue;
      if (std::fabs(across) <= 3) highest = std::max(highest, h);
      if (std::fabs(across) >= 12 && std::fabs(across) <= 40) {
        ++flankSamples;
        if (h > 184) ++flankAbove;
      }
    }
  }
  printf("highest byte within 3 cells of the flight line: %d\n", highest);
  printf("flank samples (12..40 cells off the line) above byte 184: %.1f %%\n",
         100.0 * flankAbove / flankSamples);
}

}  // namespace

bool WritePreviews(const std::string& folder, const Bytes& heights, const Bytes& texels,
                   const Bytes& logo, const Bytes& sky) {
  ReportFlight(heights);
  return WritePpm(folder + "heights.ppm", kGrid, kGrid, HeightMap(heights)) &&
         WritePpm(folder + "terrain.ppm", kGrid, kGrid, texels) &&
         WritePpm(folder + "terrain40.ppm", kGrid, kGrid, Scaled(texels, 0.4)) &&
         WritePpm(folder + "sky.ppm", 256, 256, sky) &&
         WritePpm(folder + "logo_dark.ppm", 128, 64, LogoOver(logo, 40, 70, 35)) &&
         WritePpm(folder + "logo_light.ppm", 128, 64, LogoOver(logo, 160, 170, 180));
}
