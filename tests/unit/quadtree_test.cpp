// The quadtree's shape and its index strips. Build also aims OpenGL's client
// arrays at the terrain; with no context current here those calls do nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "QuadTreeWalk.h"
#include "terrain/CQuadNode.h"

namespace {

class BuiltTree : public ::testing::Test {
 protected:
  void SetUp() override { root.Build(0, 3072, 0, 3072); }
  CQuadNode root{1, 6};
};

std::vector<uint32_t> Entries(const CQuadNode* leaf, size_t first, size_t count) {
  return std::vector<uint32_t>(leaf->indices + first, leaf->indices + first + count);
}

TEST(QuadTreeShape, SixLevelsOf1365Nodes) {
  CQuadNode root(1, 6);
  int perLevel[7] = {};
  ForEachNode(&root, [&](CQuadNode* node) {
    ASSERT_GE(node->level, 1);
    ASSERT_LE(node->level, 6);
    ++perLevel[node->level];
    EXPECT_EQ(node->maxLevel, 6);
    const int children = (int)std::count_if(std::begin(node->children), std::end(node->children),
                                            [](CQuadNode* c) { return c != nullptr; });
    EXPECT_EQ(children, node->level < 6 ? 4 : 0);
    if (node->level < 6) {
      for (CQuadNode* child : node->children) EXPECT_EQ(child->level, node->level + 1);
    }
  });
  EXPECT_EQ(perLevel[1], 1);
  EXPECT_EQ(perLevel[2], 4);
  EXPECT_EQ(perLevel[3], 16);
  EXPECT_EQ(perLevel[4], 64);
  EXPECT_EQ(perLevel[5], 256);
  EXPECT_EQ(perLevel[6], 1024);
}

TEST_F(BuiltTree, ChildrenSplitTheSquareInTheirFixedOrder) {
  EXPECT_EQ(root.gridX1, 192);
  EXPECT_EQ(root.gridZ1, 192);
  const float expected[4][4] = {
      {0, 1536, 1536, 3072}, {1536, 3072, 1536, 3072}, {0, 1536, 0, 1536}, {1536, 3072, 0, 1536}};
  for (int i = 0; i < 4; ++i) {
    const CQuadNode* child = root.children[i];
    EXPECT_EQ(child->x0, expected[i][0]) << "child " << i;
    EXPECT_EQ(child->x1, expected[i][1]) << "child " << i;
    EXPECT_EQ(child->z0, expected[i][2]) << "child " << i;
    EXPECT_EQ(child->z1, expected[i][3]) << "child " << i;
    EXPECT_EQ(child->gridX0, (int)expected[i][0] / 16);
    EXPECT_EQ(child->gridZ1, (int)expected[i][3] / 16);
  }
}

TEST_F(BuiltTree, LeavesTileTheGridInSixBySixBlocks) {
  const std::vector<CQuadNode*> leaves = Leaves(&root);
  ASSERT_EQ(leaves.size(), 1024u);
  std::set<std::pair<int, int>> blocks;
  for (const CQuadNode* leaf : leaves) {
    EXPECT_EQ(leaf->x1 - leaf->x0, 96);
    EXPECT_EQ(leaf->gridX0 % 6, 0);
    EXPECT_EQ(leaf->gridZ0 % 6, 0);
    EXPECT_EQ(leaf->gridX1, leaf->gridX0 + 6);
    EXPECT_EQ(leaf->gridZ1, leaf->gridZ0 + 6);
    EXPECT_EQ(leaf->width, 7u);
    EXPECT_EQ(leaf->rows, 6u);
    ASSERT_NE(leaf->indices, nullptr);
    blocks.insert({leaf->gridX0 / 6, leaf->gridZ0 / 6});
  }
  EXPECT_EQ(blocks.size(), 1024u);
  EXPECT_EQ(blocks.begin()->first, 0);
  EXPECT_EQ(blocks.rbegin()->first, 31);
  // The first leaf built is the one at x 0 to 96, z 2976 to 3072.
  EXPECT_EQ(leaves.front()->x0, 0);
  EXPECT_EQ(leaves.front()->z0, 2976);
}

TEST_F(BuiltTree, StripsPairEachRowWithTheNext) {
  const CQuadNode* leaf = FindLeaf(&root, 6, 0);
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(Entries(leaf, 0, 14),
            (std::vector<uint32_t>{6, 198, 7, 199, 8, 200, 9, 201, 10, 202, 11, 203, 12, 204}));
  EXPECT_EQ(Entries(leaf, 14, 14), (std::vector<uint32_t>{198, 390, 199, 391, 200, 392, 201, 393,
                                                          202, 394, 203, 395, 204, 396}));
  EXPECT_EQ(leaf->indices[83], 5u * 192 + 192 + 12);
}

TEST_F(BuiltTree, CornerLeafStoresEntriesPastTheGrid) {
  const CQuadNode* corner = FindLeaf(&root, 186, 186);
  ASSERT_NE(corner, nullptr);
  EXPECT_EQ(corner->gridX1, 192);
  EXPECT_EQ(corner->gridZ1, 192);
  // The part of the first strip that is drawn.
  EXPECT_EQ(Entries(corner, 0, 12),
            (std::vector<uint32_t>{35898, 36090, 35899, 36091, 35900, 36092, 35901, 36093, 35902,
                                   36094, 35903, 36095}));
  EXPECT_EQ(*std::max_element(corner->indices, corner->indices + 84), 37056u);
}

}  // namespace
