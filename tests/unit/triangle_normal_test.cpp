#include <gtest/gtest.h>

#include <cmath>

#include "math/Vector3.h"

namespace {

// The normal at sample (r, c) of the terrain, from the three raw sample bytes
// as the loader places them: 16 units apart, heights doubled.
Vector3 TerrainNormal(int h00, int h01, int h10) {
  const Vector3 p0 = {0, 2.0f * h00, 0}, p1 = {16, 2.0f * h01, 0}, p2 = {0, 2.0f * h10, 16};
  Vector3 n;
  TriangleNormal(p0, p1, p2, n);
  return n;
}

void ExpectVector(const Vector3& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-6f);
  EXPECT_NEAR(v.y, y, 1e-6f);
  EXPECT_NEAR(v.z, z, 1e-6f);
}

TEST(TriangleNormal, LevelGroundFacesDownward) {
  ExpectVector(TerrainNormal(0, 0, 0), 0, -1, 0);
  ExpectVector(TerrainNormal(255, 255, 255), 0, -1, 0);
}

TEST(TriangleNormal, SlopesTiltTowardTheRisingSide) {
  ExpectVector(TerrainNormal(0, 8, 0), 0.7071068f, -0.7071068f, 0);
  ExpectVector(TerrainNormal(0, 0, 8), 0, -0.7071068f, 0.7071068f);
  // A fall along x tilts the other way.
  ExpectVector(TerrainNormal(8, 0, 8), -0.7071068f, -0.7071068f, 0);
}

TEST(TriangleNormal, IsTheUnitVectorAlongTheHeightDifferences) {
  // (h01 - h00, -8, h10 - h00), normalised, for a steep and uneven corner.
  const Vector3 n = TerrainNormal(100, 255, 3);
  const double x = 155, y = -8, z = -97, length = std::sqrt(x * x + y * y + z * z);
  ExpectVector(n, (float)(x / length), (float)(y / length), (float)(z / length));
  EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0f, 1e-6f);
}

TEST(TriangleNormal, FollowsTheCornerOrder) {
  // (p0 - p1) x (p1 - p2): swapping two corners reverses the normal.
  const Vector3 a = {0, 0, 0}, b = {1, 0, 0}, c = {0, 1, 0};
  Vector3 n;
  TriangleNormal(a, b, c, n);
  ExpectVector(n, 0, 0, 1);
  TriangleNormal(a, c, b, n);
  ExpectVector(n, 0, 0, -1);
}

}  // namespace
