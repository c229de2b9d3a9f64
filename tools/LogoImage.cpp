// The "SKELV" logo in a small bitmap font of our own. The overlay adds a
// texel's colour times (1 - alpha) to the picture, so the background is alpha
// 255 (no change), the letters alpha 0 in bright colours, and a soft glow
// around them partly transparent.
#include <algorithm>
#include <cmath>

#include "Images.h"

namespace {

const int kWidth = 128, kHeight = 64;
const int kCellW = 4, kCellH = 5;  // screen pixels per font pixel
const int kGlyphW = 5, kGlyphH = 7;
const int kGap = 5;
const int kLeft = 4, kTop = 7;
const int kUnderlineY = 48;
const double kGlowRadius = 3.5;

// 5 x 7 glyphs, top row first, '#' set.
struct Glyph {
  char letter;
  const char* rows[kGlyphH];
};

const Glyph kFont[] = {
    {'S', {".###.", "#...#", "#....", ".###.", "....#", "#...#", ".###."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
};

const Glyph* FindGlyph(char letter) {
  for (const Glyph& glyph : kFont) {
    if (glyph.letter == letter) return &glyph;
  }
  return nullptr;
}

// Marks the pixels of the text, scaled up font pixel by font pixel.
std::vector<bool> RenderText(const char* text) {
  std::vector<bool> ink(kWidth * kHeight, false);
  int left = kLeft;
  for (const char* p = text; *p; ++p, left += kGlyphW * kCellW + kGap) {
    const Glyph* glyph = FindGlyph(*p);
    if (!glyph) continue;
    for (int gy = 0; gy < kGlyphH; ++gy) {
      for (int gx = 0; gx < kGlyphW; ++gx) {
        if (glyph->rows[gy][gx] != '#') continue;
        for (int y = 0; y < kCellH; ++y) {
          for (int x = 0; x < kCellW; ++x) {
            ink[(kTop + gy * kCellH + y) * kWidth + left + gx * kCellW + x] = true;
          }
        }
      }
    }
  }
  return ink;
}

// Distance from each pixel to the nearest inked pixel, up to the glow radius.
std::vector<double> GlowDistance(const std::vector<bool>& ink) {
  const int reach = (int)std::ceil(kGlowRadius);
  std::vector<double> distance(kWidth * kHeight, kGlowRadius + 1);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
          const int sx = x + dx, sy = y + dy;
          if (sx < 0 || sy < 0 || sx >= kWidth || sy >= kHeight || !ink[sy * kWidth + sx]) continue;
          distance[y * kWidth + x] = std::min(distance[y * kWidth + x], std::hypot(dx, dy));
        }
      }
    }
  }
  return distance;
}

void SetPixel(Bytes& logo, int x, int y, int r, int g, int b, double strength) {
  uint8_t* pixel = &logo[(y * kWidth + x) * 4];
  pixel[0] = (uint8_t)r;
  pixel[1] = (uint8_t)g;
  pixel[2] = (uint8_t)b;
  // Alpha is what is NOT added: strength 1 adds the whole colour.
  pixel[3] = (uint8_t)std::lround(255 * (1 - std::clamp(strength, 0.0, 1.0)));
}

// Letters run from pale gold at the top to orange at the bottom, with a lit top-left edge.
void DrawLetters(Bytes& logo, const std::vector<bool>& ink) {
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (!ink[y * kWidth + x]) continue;
      const bool edge = !ink[(y - 1) * kWidth + x] || !ink[y * kWidth + x - 1];
      const double t = (double)(y - kTop) / (kGlyphH * kCellH - 1);
      if (edge) {
        SetPixel(logo, x, y, 255, 255, 225, 1);
      } else {
        SetPixel(logo, x, y, 255, (int)std::lround(235 - 110 * t), (int)std::lround(140 - 115 * t),
                 1);
      }
    }
  }
}

void DrawGlow(Bytes& logo, const std::vector<bool>& ink) {
  const std::vector<double> distance = GlowDistance(ink);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double d = distance[y * kWidth + x];
      if (ink[y * kWidth + x] || d > kGlowRadius) continue;
      const double fall = 1 - d / (kGlowRadius + 0.5);
      SetPixel(logo, x, y, 255, 150, 40, 0.6 * fall * fall);
    }
  }
}

// A thin glowing line under the name, fading out toward both ends.
void DrawUnderline(Bytes& logo) {
  for (int x = kLeft; x < kWidth - kLeft; ++x) {
    const double along = (double)(x - kLeft) / (kWidth - 2 * kLeft - 1);
    const double fade = std::sin(along * M_PI);
    SetPixel(logo, x, kUnderlineY, 255, 200, 90, 0.9 * fade);
    SetPixel(logo, x, kUnderlineY + 1, 255, 150, 40, 0.45 * fade);
  }
}

}  // namespace

Bytes MakeLogo() {
  Bytes logo(kWidth * kHeight * 4, 0);
  for (size_t i = 3; i < logo.size(); i += 4) logo[i] = 255;
  const std::vector<bool> ink = RenderText("SKELV");
  DrawGlow(logo, ink);
  DrawLetters(logo, ink);
  DrawUnderline(logo);
  return logo;
}
