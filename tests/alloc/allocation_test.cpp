// The terrain's ownership and its answer to a failed allocation: the process
// ends with one line in the module's log rather than drawing from a null array.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "../unit/LogFile.h"
#include "AllocationHooks.h"
#include "terrain/CQuadNode.h"
#include "terrain/CTerrainLoader.h"

namespace {

const size_t kLeafIndexBytes = 84 * sizeof(uint32_t);

TEST(TerrainOwnership, TreeOf1365NodesIsReleasedWhole) {
  alloc_hooks::WatchSize(sizeof(CQuadNode));
  CQuadNode* root = new CQuadNode(1, 6);
  const size_t nodes = alloc_hooks::Allocated();
  delete root;
  EXPECT_EQ(nodes, 1365u);
  EXPECT_EQ(alloc_hooks::Released(), 1365u);
}

TEST(TerrainOwnership, LeafIndexStripsAreReleasedWithTheTree) {
  CQuadNode* root = new CQuadNode(1, 6);
  alloc_hooks::WatchSize(kLeafIndexBytes);
  root->Build(0, 3072, 0, 3072);
  const size_t strips = alloc_hooks::Allocated();
  delete root;
  EXPECT_EQ(strips, 1024u);
  EXPECT_EQ(alloc_hooks::Released(), 1024u);
}

TEST(TerrainAllocationFailureDeathTest, NodeEndsTheProcessWithAQuadLogLine) {
  LogFile log("QLog.txt");
  EXPECT_EXIT(
      {
        alloc_hooks::FailNthAllocation(sizeof(CQuadNode), 700);
        CQuadNode root(1, 6);
      },
      ::testing::ExitedWithCode(EXIT_FAILURE), "");
  EXPECT_EQ(log.Added(), "Out of memory: quadtree node\n");
}

TEST(TerrainAllocationFailureDeathTest, IndexStripEndsTheProcessWithAQuadLogLine) {
  CQuadNode root(1, 6);
  LogFile log("QLog.txt");
  EXPECT_EXIT(
      {
        alloc_hooks::FailNthAllocation(kLeafIndexBytes, 3);
        root.Build(0, 3072, 0, 3072);
      },
      ::testing::ExitedWithCode(EXIT_FAILURE), "");
  EXPECT_EQ(log.Added(),
            "Width: 7\nIndex 2 [74] out of bounds! 36865 / 36864\n"
            "Index 2 [76] out of bounds! 36866 / 36864\n"
            "Index 2 [78] out of bounds! 36867 / 36864\n"
            "Index 2 [80] out of bounds! 36868 / 36864\n"
            "Index 2 [82] out of bounds! 36869 / 36864\n"
            "Index 2 [84] out of bounds! 36870 / 36864\n"
            "Width: 7\n"
            "Index 2 [72] out of bounds! 36870 / 36864\n"
            "Index 2 [74] out of bounds! 36871 / 36864\n"
            "Index 2 [76] out of bounds! 36872 / 36864\n"
            "Index 2 [78] out of bounds! 36873 / 36864\n"
            "Index 2 [80] out of bounds! 36874 / 36864\n"
            "Index 2 [82] out of bounds! 36875 / 36864\n"
            "Index 2 [84] out of bounds! 36876 / 36864\n"
            "Width: 7\n"
            "Out of memory: quadtree index strips\n");
}

TEST(TerrainAllocationFailureDeathTest, VertexArrayEndsTheProcessWithATerrainLogLine) {
  LogFile log("MTF.txt");
  EXPECT_EXIT(
      {
        alloc_hooks::FailNthAllocation(36864 * sizeof(Vector3), 1);
        CTerrainLoader().LoadHeightFile("no such heights.raw", nullptr);
      },
      ::testing::ExitedWithCode(EXIT_FAILURE), "");
  EXPECT_EQ(log.Added(),
            "Reading height file 'no such heights.raw'\n"
            "Cannot open file 'no such heights.raw'\n"
            "Finished reading file\n"
            "Out of memory: terrain vertices\n");
}

TEST(TerrainAllocationFailureDeathTest, ImagePixelsEndTheProcessWithATerrainLogLine) {
  LogFile log("MTF.txt");
  RawImage image = {};
  EXPECT_EXIT(
      {
        alloc_hooks::FailNthAllocation(128 * 64 * 4, 1);
        CTerrainLoader().LoadRawTexture("skelv.rgba", &image, TEX_LOGO, 128, 64, 4);
      },
      ::testing::ExitedWithCode(EXIT_FAILURE), "");
  EXPECT_EQ(log.Added(), "Out of memory: image 'skelv.rgba'\n");
}

}  // namespace
