// The quadtree on a real Mesa context: its build diagnostics, the strips each
// leaf draws, and culling against the frustum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "../unit/LogFile.h"
#include "../unit/QuadTreeWalk.h"
#include "TerrainTestFiles.h"
#include "render/CFrustum.h"
#include "terrain/CQuadNode.h"
#include "terrain/CTerrainLoader.h"
#include "GlContext.h"

namespace {

const uint32_t kNotDrawn = 99;
const int kAllTriangles = 72962;    // two per cell of the 191 x 191 grid
const int kValuesPerTriangle = 11;  // token, vertex count, three x, y, z

class QuadTreeGl : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.ok()) << "no GL context on DISPLAY";
    // The renderer enables these once at start-up.
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    CTerrainLoader().LoadHeightFile("Scape.raw", &root);
    leaves = Leaves(&root);
    for (CQuadNode* leaf : leaves) leaf->drawRows = kNotDrawn;
  }

  // Draws in feedback mode, which returns every triangle OpenGL would
  // rasterise (as 11 values each) without rasterising it: Mesa's rasteriser
  // keeps a few bytes to the end of the process, which the leak checker of
  // the sanitizer build would report. The view looks straight down on the
  // terrain, x across the window and z up it.
  GLint Feedback(const std::function<void()>& draw) {
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-8, 3064, -8, 3064, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    const GLfloat topDown[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1};
    glLoadMatrixf(topDown);
    glFeedbackBuffer((GLsizei)feedback.size(), GL_3D, feedback.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    return glRenderMode(GL_RENDER);
  }

  std::vector<CQuadNode*> DrawnLeaves() const {
    std::vector<CQuadNode*> drawn;
    for (CQuadNode* leaf : leaves) {
      if (leaf->drawRows != kNotDrawn) drawn.push_back(leaf);
    }
    return drawn;
  }

  GlContext gl;
  LogFile quadLog{"QLog.txt"};
  TestFile heightFile{"Scape.raw", PatternBytes(36864, 13, 5)};
  TestFile texelFile{"scape.tex", PatternBytes(110592, 1, 0)};
  CQuadNode root{1, 6};
  std::vector<CQuadNode*> leaves;
  std::vector<GLfloat> feedback = std::vector<GLfloat>(kAllTriangles * kValuesPerTriangle + 16);
};

// A frustum whose six planes all give the same value everywhere.
CFrustum Uniform(float value) {
  CFrustum frustum;
  for (Plane& plane : frustum.planes) plane = {0, 0, 0, value};
  return frustum;
}

// A frustum that is the open box between the two corners.
CFrustum Box(float x0, float y0, float z0, float x1, float y1, float z1) {
  CFrustum frustum;
  frustum.planes[0] = {-1, 0, 0, x1};
  frustum.planes[1] = {1, 0, 0, -x0};
  frustum.planes[2] = {0, 1, 0, -y0};
  frustum.planes[3] = {0, -1, 0, y1};
  frustum.planes[4] = {0, 0, -1, z1};
  frustum.planes[5] = {0, 0, 1, -z0};
  return frustum;
}

bool CubeTestAvailable() { return Uniform(1).CubeVisible(0, 0, 0, 1); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Spreads the bits of a onto the even bit positions: the place among the
// leaves, in build order, of the far-z leaf a (every z choice picks child 0 or 1).
int FarRowBuildPosition(int a) {
  int position = 0;
  for (int bit = 0; bit < 5; ++bit) position |= ((a >> bit) & 1) << (2 * bit);
  return position;
}

TEST_F(QuadTreeGl, BuildLogsEachLeafWidthAndTheStoredPairsPastTheGrid) {
  const std::vector<std::string> lines = Lines(quadLog.Added());
  ASSERT_EQ(lines.size(), 1024u + 223u);
  // Which leaf each line belongs to, and the q of every "Index 2" line in order.
  std::map<int, std::vector<std::string>> byLeaf;
  int leaf = -1;
  for (const std::string& line : lines) {
    if (line == "Width: 7") {
      ++leaf;
    } else {
      ASSERT_GE(leaf, 0) << line;
      byLeaf[leaf].push_back(line);
    }
  }
  ASSERT_EQ(leaf, 1023);
  ASSERT_EQ(byLeaf.size(), 32u);
  for (int a = 0; a < 32; ++a) {
    std::vector<std::string> expected;
    for (int j = a == 0 ? 1 : 0; j < 7; ++j) {
      expected.push_back("Index 2 [" + std::to_string(72 + 2 * j) + "] out of bounds! " +
                         std::to_string(36864 + 6 * a + j) + " / 36864");
    }
    EXPECT_EQ(byLeaf[FarRowBuildPosition(a)], expected) << "far-z leaf " << a;
  }
  EXPECT_EQ(lines[0], "Width: 7");
  EXPECT_EQ(lines[1], "Index 2 [74] out of bounds! 36865 / 36864");
  EXPECT_EQ(lines[6], "Index 2 [84] out of bounds! 36870 / 36864");
  EXPECT_EQ(lines[7], "Width: 7");
}

TEST_F(QuadTreeGl, LeavesOnTheFarEdgesDrawFewerStrips) {
  glColor3ub(255, 0, 0);
  uint32_t drawCalls = 0;
  std::map<std::pair<uint32_t, uint32_t>, int> shapes;
  for (CQuadNode* leaf : leaves) {
    const GLint values = Feedback([&] { leaf->DrawLeaf(); });
    EXPECT_EQ(leaf->strip, leaf->drawRows);
    drawCalls += leaf->drawRows;
    ++shapes[{leaf->drawWidth, leaf->drawRows}];
    const bool farX = leaf->gridX1 == 192, farZ = leaf->gridZ1 == 192;
    EXPECT_EQ(leaf->drawWidth, farX ? 6u : 7u);
    EXPECT_EQ(leaf->drawRows, farZ ? 5u : 6u);
    // Each strip of n pairs makes 2n - 2 triangles.
    const GLint triangles = (GLint)leaf->drawRows * (2 * (GLint)leaf->drawWidth - 2);
    EXPECT_EQ(values, triangles * kValuesPerTriangle);
  }
  EXPECT_EQ(drawCalls, 6112u);
  EXPECT_EQ(shapes[std::make_pair(7u, 6u)], 31 * 31);
  EXPECT_EQ(shapes[std::make_pair(6u, 6u)], 31);
  EXPECT_EQ(shapes[std::make_pair(7u, 5u)], 31);
  EXPECT_EQ(shapes[std::make_pair(6u, 5u)], 1);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ((GLuint)bound, TextureSlots[TEX_TERRAIN]);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[1], 1.0f) << "each leaf draws in white";
}

// Seen from above, the leaves together cover each of the 191 x 191 grid cells
// with exactly two triangles, and nothing beyond the grid.
TEST_F(QuadTreeGl, AllLeavesCoverTheGridOnceWithTwoTrianglesPerCell) {
  const GLint values = Feedback([&] {
    for (CQuadNode* leaf : leaves) leaf->DrawLeaf();
  });
  ASSERT_EQ(values, kAllTriangles * kValuesPerTriangle);

  std::vector<int> perCell(191 * 191, 0);
  for (GLint at = 0; at < values; at += kValuesPerTriangle) {
    ASSERT_EQ(feedback[at], (GLfloat)GL_POLYGON_TOKEN);
    ASSERT_EQ(feedback[at + 1], 3.0f);
    int column = 192, row = 192;
    for (int v = 0; v < 3; ++v) {
      const float x = feedback[at + 2 + v * 3] / 640 * 3072 - 8;
      const float z = feedback[at + 3 + v * 3] / 480 * 3072 - 8;
      column = std::min(column, (int)std::lround(x / 16));
      row = std::min(row, (int)std::lround(z / 16));
    }
    ASSERT_LT(column, 191);
    ASSERT_LT(row, 191);
    ++perCell[row * 191 + column];
  }
  for (int cell = 0; cell < 191 * 191; ++cell) ASSERT_EQ(perCell[cell], 2) << "cell " << cell;
}

TEST_F(QuadTreeGl, RejectedRootDrawsNothingAndBindsNoTexture) {
  glBindTexture(GL_TEXTURE_2D, 0);
  EXPECT_EQ(Feedback([&] { root.Render(Uniform(-1)); }), 0);
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, 0);
  EXPECT_TRUE(DrawnLeaves().empty());
}

TEST_F(QuadTreeGl, FrustumHoldingEverythingDrawsEveryLeaf) {
  if (!CubeTestAvailable()) GTEST_SKIP() << "CFrustum::CubeVisible is not available yet";
  EXPECT_EQ(Feedback([&] { root.Render(Uniform(1)); }), kAllTriangles * kValuesPerTriangle);
  uint32_t drawCalls = 0;
  for (const CQuadNode* leaf : DrawnLeaves()) drawCalls += leaf->drawRows;
  EXPECT_EQ(DrawnLeaves().size(), 1024u);
  EXPECT_EQ(drawCalls, 6112u);
}

// Each leaf is tested as the cube at its centre, 256 high, with its half-width
// as half-edge: for x 96 to 192 and z 0 to 96 that is (144, 256, 48) and 48.
TEST_F(QuadTreeGl, LeafIsTestedAsTheCubeAroundItsBlockAtMidHeight) {
  if (!CubeTestAvailable()) GTEST_SKIP() << "CFrustum::CubeVisible is not available yet";
  Feedback([&] { root.Render(Box(191.998f, 303.998f, 95.998f, 191.999f, 303.999f, 95.999f)); });
  std::vector<CQuadNode*> drawn = DrawnLeaves();
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0]->x0, 96);
  EXPECT_EQ(drawn[0]->z0, 0);

  for (CQuadNode* leaf : leaves) leaf->drawRows = kNotDrawn;
  Feedback([&] { root.Render(Box(96.001f, 208.001f, 0.001f, 96.002f, 208.002f, 0.002f)); });
  drawn = DrawnLeaves();
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0]->x0, 96);

  // Just above and just below the leaves' cubes, though inside those of their parents.
  for (CQuadNode* leaf : leaves) leaf->drawRows = kNotDrawn;
  Feedback([&] {
    root.Render(Box(140, 304.001f, 40, 150, 304.002f, 50));
    root.Render(Box(140, 207.998f, 40, 150, 207.999f, 50));
  });
  EXPECT_TRUE(DrawnLeaves().empty());
}

}  // namespace
