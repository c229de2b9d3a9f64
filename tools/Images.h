// The four raw images of the demo, built in memory in their file layouts.
#pragma once

#include <cstdint>
#include <vector>

typedef std::vector<uint8_t> Bytes;

const int kGrid = 192;  // height samples and terrain texels per edge

// 192 x 192 height bytes, row r (z = 16r) then column c (x = 16c).
Bytes MakeHeights();
// 192 x 192 RGB texels, one per grid cell, coloured by height and slope.
Bytes MakeTerrainTexture(const Bytes& heights);
// 256 x 256 RGB cloudy sky; its first texel also tints the sky box walls.
Bytes MakeSky();
// 128 x 64 RGBA logo for the additive overlay: alpha 255 leaves the picture
// alone, alpha 0 adds the texel's colour.
Bytes MakeLogo();
