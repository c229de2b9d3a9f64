// Walks a terrain quadtree for tests: every node, the leaves, or one leaf by
// its grid corner.
#pragma once

#include <functional>
#include <vector>

#include "terrain/CQuadNode.h"

inline void ForEachNode(CQuadNode* node, const std::function<void(CQuadNode*)>& visit) {
  visit(node);
  for (CQuadNode* child : node->children) {
    if (child) ForEachNode(child, visit);
  }
}

// Leaves in build order: depth first, children 0 to 3.
inline std::vector<CQuadNode*> Leaves(CQuadNode* root) {
  std::vector<CQuadNode*> leaves;
  ForEachNode(root, [&](CQuadNode* node) {
    if (node->level == node->maxLevel) leaves.push_back(node);
  });
  return leaves;
}

inline CQuadNode* FindLeaf(CQuadNode* root, int gridX0, int gridZ0) {
  for (CQuadNode* leaf : Leaves(root)) {
    if (leaf->gridX0 == gridX0 && leaf->gridZ0 == gridZ0) return leaf;
  }
  return nullptr;
}
