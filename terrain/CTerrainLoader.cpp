#include "terrain/CTerrainLoader.h"

#include "terrain/CQuadNode.h"
#include "terrain/TerrainAlloc.h"
#include "terrain/TerrainFiles.h"

uint8_t TerrainHeights[kGridSamples];
uint8_t TerrainTexels[kGridSamples * 3];
Vector3* TerrainVertices = nullptr;
Vector3* TerrainNormals = nullptr;
TexCoord* TerrainTexCoords = nullptr;
GLuint TextureSlots[3];
RawImage LogoImage;
RawImage SkyImage;
CTerrainLoader TerrainLoader;

// Each Build* helper replaces the array it fills, so loading again does not leak.
namespace {

const char* const kTexelFile = "scape.tex";

// Vertex r * 192 + c stands at (16c, 2 * sample, 16r).
void BuildVertices() {
  delete[] TerrainVertices;
  TerrainVertices = AllocateTerrainArray<Vector3>(kGridSamples, TerrainLog, "terrain vertices");
  for (int r = 0; r < kGridSize; ++r) {
    for (int c = 0; c < kGridSize; ++c) {
      const int i = r * kGridSize + c;
      TerrainVertices[i] = {(float)c * kGridSpacing, (float)TerrainHeights[i] * kHeightScale,
                            (float)r * kGridSpacing};
    }
  }
}

// The terrain colour image becomes a mipmapped texture with OpenGL's default parameters.
void UploadTerrainTexture() {
  glBindTexture(GL_TEXTURE_2D, TextureSlots[TEX_TERRAIN]);
  // NOTE: GLU reads the driver's version string before it builds mipmaps and
  // crashes when there is none. Without a current context no GL call has any
  // effect anyway (the device log already says why), so skip the build.
  if (glGetString(GL_VERSION) == nullptr) return;
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, kGridSize, kGridSize, GL_RGB, GL_UNSIGNED_BYTE,
                    TerrainTexels);
}

// One texel per grid cell: the divisor is 192, so the last sample gets 191/192.
void BuildTexCoords() {
  delete[] TerrainTexCoords;
  TerrainTexCoords =
      AllocateTerrainArray<TexCoord>(kGridSamples, TerrainLog, "terrain texture coordinates");
  for (int r = 0; r < kGridSize; ++r) {
    for (int c = 0; c < kGridSize; ++c) {
      TerrainTexCoords[r * kGridSize + c] = {(float)(c / 192.0), (float)(r / 192.0)};
    }
  }
}

// Each sample but the last row and column takes the normal of the triangle it
// spans with its +x and +z neighbours; on this terrain every one points downward.
void BuildNormals() {
  delete[] TerrainNormals;
  TerrainNormals = AllocateTerrainArray<Vector3>(kGridSamples, TerrainLog, "terrain normals");
  const int last = kGridSize - 1;
  for (int r = 0; r < last; ++r) {
    for (int c = 0; c < last; ++c) {
      const int i = r * kGridSize + c;
      TriangleNormal(TerrainVertices[i], TerrainVertices[i + 1], TerrainVertices[i + kGridSize],
                     TerrainNormals[i]);
    }
  }
  // The last column and row have no triangle of their own, yet the strips draw
  // them: they copy their inner neighbour, so the corner gets the (190, 190) normal.
  for (int r = 0; r < last; ++r) {
    TerrainNormals[r * kGridSize + last] = TerrainNormals[r * kGridSize + last - 1];
  }
  for (int c = 0; c < kGridSize; ++c) {
    TerrainNormals[last * kGridSize + c] = TerrainNormals[(last - 1) * kGridSize + c];
  }
}

}  // namespace

bool CTerrainLoader::LoadHeightFile(const char* path, CQuadNode* root) {
  TerrainLog.Print("Reading height file '%s'\n", path);
  ReadByteSamples(path, TerrainHeights, kGridSamples);
  TerrainLog.Print("Finished reading file\n");
  BuildVertices();

  TerrainLog.Print("Reading text file '%s'\n", kTexelFile);
  ReadBlock(kTexelFile, TerrainTexels, 3, kGridSamples);
  TerrainLog.Print("Finished reading file\n");

  glGenTextures(3, TextureSlots);
  UploadTerrainTexture();
  BuildTexCoords();
  BuildNormals();

  const float extent = kGridSize * kGridSpacing;
  if (root) root->Build(0, extent, 0, extent);
  return true;
}

// Only the vertices go; the normals, texture coordinates and textures last
// until the process ends.
bool CTerrainLoader::FreeMesh() {
  delete[] TerrainVertices;
  TerrainVertices = nullptr;
  return true;
}
