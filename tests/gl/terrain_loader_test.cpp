// Loading the height map and terrain texture into the arrays, textures and
// quadtree, on a real Mesa context with files made by each test.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "../unit/LogFile.h"
#include "TerrainTestFiles.h"
#include "terrain/CQuadNode.h"
#include "terrain/CTerrainLoader.h"
#include "GlContext.h"

namespace {

const std::string kStartUpLog =
    "Reading height file 'Scape.raw'\n"
    "Finished reading file\n"
    "Reading text file 'scape.tex'\n"
    "Finished reading file\n";

class TerrainLoading : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(gl.ok()) << "no GL context on DISPLAY"; }
  void Load(const char* path = "Scape.raw") { CTerrainLoader().LoadHeightFile(path, &root); }

  GlContext gl;
  CQuadNode root{1, 6};
  LogFile log{"MTF.txt"};
};

GLint TexParameter(GLenum name) {
  GLint value = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
  return value;
}

GLint LevelParameter(GLint level, GLenum name) {
  GLint value = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
  return value;
}

void ExpectVertex(int i, float x, float y, float z) {
  EXPECT_EQ(TerrainVertices[i].x, x) << "vertex " << i;
  EXPECT_EQ(TerrainVertices[i].y, y) << "vertex " << i;
  EXPECT_EQ(TerrainVertices[i].z, z) << "vertex " << i;
}

bool SameVector(const Vector3& a, const Vector3& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

TEST_F(TerrainLoading, BuildsVerticesAndTexCoordsFromTheFiles) {
  const std::vector<unsigned char> heights = PatternBytes(36864, 31, 7);
  TestFile heightFile("Scape.raw", heights);
  TestFile texelFile("scape.tex", PatternBytes(110592, 1, 0));
  Load();

  ExpectVertex(0, 0, 2.0f * heights[0], 0);
  ExpectVertex(191, 3056, 2.0f * heights[191], 0);
  ExpectVertex(192, 0, 2.0f * heights[192], 16);
  ExpectVertex(36863, 3056, 2.0f * heights[36863], 3056);
  EXPECT_EQ(TerrainTexCoords[0].s, 0);
  EXPECT_EQ(TerrainTexCoords[0].t, 0);
  EXPECT_NEAR(TerrainTexCoords[193].s, 0.0052083f, 1e-7f);
  EXPECT_NEAR(TerrainTexCoords[193].t, 0.0052083f, 1e-7f);
  EXPECT_NEAR(TerrainTexCoords[36863].s, 0.9947917f, 1e-7f);
  EXPECT_NEAR(TerrainTexCoords[36863].t, 0.9947917f, 1e-7f);
  EXPECT_EQ(TerrainTexels[110591], 110591 % 256);
  EXPECT_EQ(log.Added(), kStartUpLog);
}

TEST_F(TerrainLoading, SampleBytesSpanTheHeightRange) {
  std::vector<unsigned char> heights(36864, 0);
  heights[1] = 255;
  TestFile heightFile("Scape.raw", heights);
  TestFile texelFile("scape.tex", PatternBytes(110592, 1, 0));
  Load();
  EXPECT_EQ(TerrainVertices[0].y, 0);
  EXPECT_EQ(TerrainVertices[1].y, 510);
}

TEST_F(TerrainLoading, CreatesTheSlotsAndAMipmappedTerrainTexture) {
  TestFile heightFile("Scape.raw", PatternBytes(36864, 0, 0));
  // One colour everywhere survives GLU's rescaling unchanged.
  std::vector<unsigned char> texels;
  for (int i = 0; i < 36864; ++i) texels.insert(texels.end(), {10, 200, 30});
  TestFile texelFile("scape.tex", texels);
  Load();

  for (GLuint name : TextureSlots) EXPECT_NE(name, 0u);
  EXPECT_NE(TextureSlots[0], TextureSlots[1]);
  EXPECT_NE(TextureSlots[1], TextureSlots[2]);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ((GLuint)bound, TextureSlots[TEX_TERRAIN]);

  const GLint width = LevelParameter(0, GL_TEXTURE_WIDTH);
  EXPECT_EQ(width & (width - 1), 0) << "GLU scales to a power of two";
  EXPECT_GT(LevelParameter(1, GL_TEXTURE_WIDTH), 0) << "mipmap levels exist";
  EXPECT_EQ(TexParameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_LINEAR);
  EXPECT_EQ(TexParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
  EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_T), GL_REPEAT);

  std::vector<unsigned char> level0(width * LevelParameter(0, GL_TEXTURE_HEIGHT) * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, level0.data());
  for (size_t i = 0; i < level0.size(); i += 3) {
    ASSERT_EQ(level0[i], 10);
    ASSERT_EQ(level0[i + 1], 200);
    ASSERT_EQ(level0[i + 2], 30);
  }
}

TEST_F(TerrainLoading, BuildsTheTreeAndAimsTheClientArraysAtTheTerrain) {
  TestFile heightFile("Scape.raw", PatternBytes(36864, 0, 0));
  TestFile texelFile("scape.tex", PatternBytes(110592, 1, 0));
  Load();
  EXPECT_EQ(root.x1, 3072);
  EXPECT_EQ(root.z1, 3072);
  GLvoid* pointer = nullptr;
  glGetPointerv(GL_VERTEX_ARRAY_POINTER, &pointer);
  EXPECT_EQ(pointer, TerrainVertices);
  glGetPointerv(GL_NORMAL_ARRAY_POINTER, &pointer);
  EXPECT_EQ(pointer, TerrainNormals);
  glGetPointerv(GL_TEXTURE_COORD_ARRAY_POINTER, &pointer);
  EXPECT_EQ(pointer, TerrainTexCoords);
  GLint value = 0;
  glGetIntegerv(GL_VERTEX_ARRAY_SIZE, &value);
  EXPECT_EQ(value, 3);
  glGetIntegerv(GL_TEXTURE_COORD_ARRAY_SIZE, &value);
  EXPECT_EQ(value, 2);
  glGetIntegerv(GL_VERTEX_ARRAY_STRIDE, &value);
  EXPECT_EQ(value, 0);
  glGetIntegerv(GL_NORMAL_ARRAY_TYPE, &value);
  EXPECT_EQ(value, GL_FLOAT);
}

TEST_F(TerrainLoading, LevelGroundHasDownwardNormalsEverywhere) {
  TestFile heightFile("Scape.raw", std::vector<unsigned char>(36864, 77));
  TestFile texelFile("scape.tex", PatternBytes(110592, 1, 0));
  Load();
  for (int i = 0; i < 36864; ++i) {
    ASSERT_TRUE(SameVector(TerrainNormals[i], {0, -1, 0})) << "normal " << i;
  }
}

TEST_F(TerrainLoading, LastRowAndColumnCopyTheNearestComputedNormal) {
  TestFile heightFile("Scape.raw", PatternBytes(36864, 37, 11));
  TestFile texelFile("scape.tex", PatternBytes(110592, 1, 0));
  Load();
  auto normal = [](int r, int c) { return TerrainNormals[r * 192 + c]; };
  for (int r = 0; r < 191; ++r) EXPECT_TRUE(SameVector(normal(r, 191), normal(r, 190))) << r;
  for (int c = 0; c < 191; ++c) EXPECT_TRUE(SameVector(normal(191, c), normal(190, c))) << c;
  EXPECT_TRUE(SameVector(normal(191, 191), normal(190, 190)));
  // An inner sample keeps its own triangle's normal.
  const unsigned char* h = TerrainHeights;
  const int r = 190, c = 190, i = r * 192 + c;
  const double x = h[i + 1] - h[i], z = h[i + 192] - h[i], length = std::sqrt(x * x + 64 + z * z);
  EXPECT_NEAR(normal(r, c).x, x / length, 1e-6);
  EXPECT_NEAR(normal(r, c).y, -8 / length, 1e-6);
  EXPECT_NEAR(normal(r, c).z, z / length, 1e-6);
}

TEST_F(TerrainLoading, ShortHeightFileReadsMissingSamplesAs255) {
  TestFile heightFile("Scape.raw", PatternBytes(36863, 0, 3));
  TestFile texelFile("scape.tex", PatternBytes(110592, 1, 0));
  Load();
  EXPECT_EQ(TerrainHeights[36862], 3);
  EXPECT_EQ(TerrainHeights[36863], 255);
  EXPECT_EQ(TerrainVertices[36863].y, 510);
  EXPECT_EQ(log.Added(), kStartUpLog);
}

TEST_F(TerrainLoading, ShortTextureFileLeavesTheRestBlack) {
  TestFile heightFile("Scape.raw", PatternBytes(36864, 0, 0));
  TestFile texelFile("scape.tex", std::vector<unsigned char>(1000, 99));
  Load();
  // 333 whole texels were read; the part of texel 333 that was there is cleared too.
  EXPECT_EQ(TerrainTexels[998], 99);
  for (int i = 999; i < 110592; ++i) ASSERT_EQ(TerrainTexels[i], 0) << "byte " << i;
  EXPECT_EQ(log.Added(), kStartUpLog);
}

TEST_F(TerrainLoading, MissingFilesAreLoggedAndGiveFlatBlackGround) {
  TestFile heightFile = TestFile::Missing("Scape.raw");
  TestFile texelFile = TestFile::Missing("scape.tex");
  Load();
  EXPECT_EQ(log.Added(),
            "Reading height file 'Scape.raw'\n"
            "Cannot open file 'Scape.raw'\n"
            "Finished reading file\n"
            "Reading text file 'scape.tex'\n"
            "Cannot open file 'scape.tex'\n"
            "Finished reading file\n");
  for (int i = 0; i < 36864; ++i) ASSERT_EQ(TerrainVertices[i].y, 0) << "vertex " << i;
  for (unsigned char byte : TerrainTexels) ASSERT_EQ(byte, 0);
  EXPECT_TRUE(SameVector(TerrainNormals[36863], {0, -1, 0}));
  // The rest of the system still finds everything in place.
  for (GLuint name : TextureSlots) EXPECT_NE(name, 0u);
  EXPECT_NE(root.children[3]->children[3]->children[3]->children[3]->children[3]->indices, nullptr);
}

TEST_F(TerrainLoading, UnreadableFilesAreLoggedAndReadAsZero) {
  TestFile heightFile = TestFile::Unreadable("Scape.raw");
  TestFile texelFile = TestFile::Unreadable("scape.tex");
  Load();
  EXPECT_EQ(log.Added(),
            "Reading height file 'Scape.raw'\n"
            "Cannot open file 'Scape.raw'\n"
            "Finished reading file\n"
            "Reading text file 'scape.tex'\n"
            "Cannot open file 'scape.tex'\n"
            "Finished reading file\n");
  for (int i = 0; i < 36864; ++i) ASSERT_EQ(TerrainVertices[i].y, 0) << "vertex " << i;
  for (unsigned char byte : TerrainTexels) ASSERT_EQ(byte, 0);
}

TEST_F(TerrainLoading, FreeMeshReleasesOnlyTheVertices) {
  TestFile heightFile("Scape.raw", PatternBytes(36864, 0, 0));
  TestFile texelFile("scape.tex", PatternBytes(110592, 1, 0));
  Load();
  const Vector3* normals = TerrainNormals;
  const TexCoord* texCoords = TerrainTexCoords;
  EXPECT_TRUE(CTerrainLoader().FreeMesh());
  EXPECT_EQ(TerrainVertices, nullptr);
  // Still readable: the sanitizer build would report a use after release.
  EXPECT_EQ(TerrainNormals, normals);
  EXPECT_EQ(TerrainTexCoords, texCoords);
  EXPECT_EQ(TerrainNormals[36863].y, -1);
  EXPECT_NEAR(TerrainTexCoords[36863].s, 0.9947917f, 1e-7f);
  EXPECT_EQ(log.Added(), kStartUpLog);
}

}  // namespace
