#pragma once

#include <cstdint>

#include "base/CLog.h"
#include "math/CFrustum.h"

// One node of the fixed terrain quadtree. Leaves own index strips into the
// shared terrain arrays; the tree culls whole subtrees against the frustum.
class CQuadNode {
 public:
  CQuadNode(uint8_t nodeLevel, uint8_t leafLevel);
  ~CQuadNode();
  CQuadNode(const CQuadNode&) = delete;
  CQuadNode& operator=(const CQuadNode&) = delete;

  void Build(float x0, float x1, float z0, float z1);
  void Render(const CFrustum& frustum);
  void DrawLeaf();

  uint8_t level;
  uint8_t maxLevel;
  float x0, x1, z0, z1;
  int32_t gridX0, gridX1, gridZ0, gridZ1;
  uint32_t strip;
  uint32_t width;
  uint32_t rows;
  uint32_t drawWidth;
  uint32_t drawRows;
  uint32_t* indices;
  CQuadNode* children[4];
  // The lowest and highest terrain the node draws, set by Build: with the
  // node's square they bound the box that Render tests.
  float minY, maxY;

 private:
  // Leaf part of Build: the index strips and their diagnostics.
  void BuildStrips();
  // Leaf part of Build: the height range of the samples DrawLeaf draws.
  void MeasureHeights();
};

extern CLog QuadLog;
