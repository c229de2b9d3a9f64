#include "terrain/CQuadNode.h"

#include "terrain/CTerrainLoader.h"
#include "terrain/TerrainAlloc.h"

namespace {

const uint32_t kLastIndex = kGridSamples;

CQuadNode* NewChild(uint8_t level, uint8_t maxLevel) {
  CQuadNode* child =
      CheckAllocation(new (std::nothrow) CQuadNode(level, maxLevel), &QuadLog, "quadtree node");
  return child;
}

}  // namespace

// Every node below the deepest level creates its four children, each with its
// whole subtree, before the next one. Bounds are left to Build.
CQuadNode::CQuadNode(uint8_t nodeLevel, uint8_t leafLevel)
    : level(nodeLevel),
      maxLevel(leafLevel),
      x0(0),
      x1(0),
      z0(0),
      z1(0),
      gridX0(0),
      gridX1(0),
      gridZ0(0),
      gridZ1(0),
      strip(0),
      width(0),
      rows(0),
      drawWidth(0),
      drawRows(0),
      indices(nullptr),
      children{},
      minY(0),
      maxY(0) {
  if (level < maxLevel) {
    for (CQuadNode*& child : children) child = NewChild(level + 1, maxLevel);
  }
}

CQuadNode::~CQuadNode() {
  for (CQuadNode* child : children) delete child;
  delete[] indices;
}

void CQuadNode::Build(float left, float right, float front, float back) {
  x0 = left;
  x1 = right;
  z0 = front;
  z1 = back;
  gridX0 = (int32_t)(x0 / (double)kGridSpacing);
  gridX1 = (int32_t)(x1 / (double)kGridSpacing);
  gridZ0 = (int32_t)(z0 / (double)kGridSpacing);
  gridZ1 = (int32_t)(z1 / (double)kGridSpacing);

  if (level < maxLevel) {
    const float xm = x1 / 2 + x0 / 2;
    const float zm = z1 / 2 + z0 / 2;
    children[0]->Build(x0, xm, zm, z1);
    children[1]->Build(xm, x1, zm, z1);
    children[2]->Build(x0, xm, z0, zm);
    children[3]->Build(xm, x1, z0, zm);
    minY = children[0]->minY;
    maxY = children[0]->maxY;
    for (const CQuadNode* child : children) {
      if (child->minY < minY) minY = child->minY;
      if (child->maxY > maxY) maxY = child->maxY;
    }
    return;
  }
  BuildStrips();
  MeasureHeights();
  // Every leaf aims the client arrays at the shared terrain arrays; nothing
  // else in the program sets them.
  glVertexPointer(3, GL_FLOAT, 0, TerrainVertices);
  glNormalPointer(GL_FLOAT, 0, TerrainNormals);
  glTexCoordPointer(2, GL_FLOAT, 0, TerrainTexCoords);
}

// One strip per grid row of the leaf, pairing each sample with the one a row
// further on. The checks only report; the leaves on the far edges store pairs
// beyond the grid, which DrawLeaf leaves out.
void CQuadNode::BuildStrips() {
  width = gridX1 - gridX0 + 1;
  rows = gridZ1 - gridZ0;
  QuadLog.Print("Width: %i\n", (int)width);

  const uint32_t count = 2 * width * rows;
  delete[] indices;
  indices = AllocateTerrainArray<uint32_t>(count, QuadLog, "quadtree index strips");
  uint32_t k = 0;
  for (uint32_t i = 0; i < rows; ++i) {
    for (uint32_t j = 0; j < width; ++j) {
      const uint32_t p = (gridZ0 + i) * kGridSize + gridX0 + j;
      const uint32_t q = (gridZ0 + i + 1) * kGridSize + gridX0 + j;
      indices[k] = p;
      indices[k + 1] = q;
      k += 2;
      if (k > count) QuadLog.Print("Index %i is out of bounds!\n", (int)k);
      if (p > kLastIndex) {
        QuadLog.Print("Index 1 [%i] out of bounds! %i / %i\n", (int)k, (int)p, (int)kLastIndex);
      }
      if (q > kLastIndex) {
        QuadLog.Print("Index 2 [%i] out of bounds! %i / %i\n", (int)k, (int)q, (int)kLastIndex);
      }
    }
  }
}

// The samples of the strips DrawLeaf draws: rows gridZ0 to gridZ0 + drawn
// strips, columns gridX0 to gridX0 + drawn columns - 1.
void CQuadNode::MeasureHeights() {
  const int32_t lastRow = gridZ1 < kGridSize ? gridZ1 : kGridSize - 1;
  const int32_t lastColumn = gridX1 < kGridSize ? gridX1 : kGridSize - 1;
  if (TerrainVertices == nullptr) {  // no terrain arrays: the whole height range
    minY = 0.0f;
    maxY = 2.0f * 255;
    return;
  }
  minY = maxY = TerrainVertices[gridZ0 * kGridSize + gridX0].y;
  for (int32_t row = gridZ0; row <= lastRow; ++row) {
    for (int32_t column = gridX0; column <= lastColumn; ++column) {
      const float y = TerrainVertices[row * kGridSize + column].y;
      if (y < minY) minY = y;
      if (y > maxY) maxY = y;
    }
  }
}

// A node is skipped, with its whole subtree, only when the box over its square
// and the heights of its terrain lies outside the frustum: a test at one
// height would cut away slopes that rise above or fall below it.
void CQuadNode::Render(const CFrustum& frustum) {
  if (!frustum.BoxVisible(x0, minY, z0, x1, maxY, z1)) return;
  if (level == maxLevel) {
    DrawLeaf();
    return;
  }
  // An inner node always has its four children: a failed allocation ends the process.
  for (CQuadNode* child : children) child->Render(frustum);
}

// One glDrawElements per strip. Leaves on the far x edge leave out the pair
// holding column 192, those on the far z edge the strip pairing rows 191 and 192.
void CQuadNode::DrawLeaf() {
  drawWidth = width;
  drawRows = rows;
  glBindTexture(GL_TEXTURE_2D, TextureSlots[TEX_TERRAIN]);
  if (gridX1 == kGridSize) drawWidth -= 1;
  if (gridZ1 == kGridSize) drawRows -= 1;
  glColor3ub(255, 255, 255);
  for (strip = 0; strip < drawRows; ++strip) {
    glDrawElements(GL_TRIANGLE_STRIP, 2 * drawWidth, GL_UNSIGNED_INT, indices + strip * width * 2);
  }
}
