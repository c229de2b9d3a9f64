#include "terrain/CTerrainLoader.h"

#include "terrain/CQuadNode.h"

// Placeholder until the terrain data lands.
uint8_t TerrainHeights[kGridSamples];
uint8_t TerrainTexels[kGridSamples * 3];
Vector3* TerrainVertices = nullptr;
Vector3* TerrainNormals = nullptr;
TexCoord* TerrainTexCoords = nullptr;
GLuint TextureSlots[3];
RawImage LogoImage;
RawImage SkyImage;
CTerrainLoader TerrainLoader;

bool CTerrainLoader::LoadHeightFile(const char*, CQuadNode*) { return true; }
bool CTerrainLoader::FreeMesh() { return true; }
bool CTerrainLoader::LoadRawTexture(const char*, RawImage*, int32_t, int32_t, int32_t, int32_t) { return true; }
