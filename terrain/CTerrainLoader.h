#pragma once

#include <cstdint>

#include "base/CLog.h"
#include "base/Platform.h"
#include "math/Vector3.h"

class CQuadNode;

const int kGridSize = 192;
const int kGridSamples = kGridSize * kGridSize;  // 36864
const float kGridSpacing = 16.0f;                // world units between neighbouring samples
const float kHeightScale = 2.0f;                 // world units per height step

enum { TEX_TERRAIN = 0, TEX_LOGO = 1, TEX_SKY = 2 };

struct TexCoord {
  float s, t;
};

// The shipped raw images: the logo is RGBA, the sky RGB.
const int32_t kLogoWidth = 128;
const int32_t kLogoHeight = 64;
const int32_t kSkySize = 256;

struct RawImage {
  int32_t width;
  int32_t height;
  uint8_t* pixels;
};

// Reads the data files into the terrain arrays and textures. Stateless.
class CTerrainLoader {
 public:
  bool LoadHeightFile(const char* path, CQuadNode* root);
  bool FreeMesh();
  bool LoadRawTexture(const char* path, RawImage* image, int32_t slot, int32_t width,
                      int32_t height, int32_t components);
};

extern uint8_t TerrainHeights[kGridSamples];
extern uint8_t TerrainTexels[kGridSamples * 3];
extern Vector3* TerrainVertices;
extern Vector3* TerrainNormals;
extern TexCoord* TerrainTexCoords;
extern GLuint TextureSlots[3];
extern RawImage LogoImage;
extern RawImage SkyImage;
extern CTerrainLoader TerrainLoader;
extern CLog TerrainLog;
