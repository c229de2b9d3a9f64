#include <gtest/gtest.h>

#include <cmath>

#include "render/CFrustum.h"

namespace {

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

CFrustum IdentityFrustum() {
  CFrustum frustum;
  frustum.ExtractFrom(kIdentity, kIdentity);
  return frustum;
}

void ExpectPlane(const Plane& p, float a, float b, float c, float d, float tolerance = 0.0f) {
  EXPECT_NEAR(p.a, a, tolerance);
  EXPECT_NEAR(p.b, b, tolerance);
  EXPECT_NEAR(p.c, c, tolerance);
  EXPECT_NEAR(p.d, d, tolerance);
}

// Column-major perspective matrix as gluPerspective builds it.
void Perspective(double fovyDegrees, double aspect, double zNear, double zFar, float m[16]) {
  const double f = 1.0 / std::tan(fovyDegrees * M_PI / 360.0);
  for (int i = 0; i < 16; ++i) m[i] = 0.0f;
  m[0] = (float)(f / aspect);
  m[5] = (float)f;
  m[10] = (float)((zFar + zNear) / (zNear - zFar));
  m[11] = -1.0f;
  m[14] = (float)(2.0 * zFar * zNear / (zNear - zFar));
}

TEST(Frustum, IdentityMatricesGiveTheUnitCubeInPlaneOrder) {
  const CFrustum f = IdentityFrustum();
  ExpectPlane(f.planes[0], -1, 0, 0, 1);  // right
  ExpectPlane(f.planes[1], 1, 0, 0, 1);   // left
  ExpectPlane(f.planes[2], 0, 1, 0, 1);   // bottom
  ExpectPlane(f.planes[3], 0, -1, 0, 1);  // top
  ExpectPlane(f.planes[4], 0, 0, -1, 1);  // far
  ExpectPlane(f.planes[5], 0, 0, 1, 1);   // near
}

TEST(Frustum, BoundariesCountAsOutside) {
  const CFrustum f = IdentityFrustum();
  EXPECT_TRUE(f.PointVisible(0, 0, 0));
  EXPECT_FALSE(f.PointVisible(1, 0, 0));
  EXPECT_FALSE(f.PointVisible(0, 0, -1));
  EXPECT_TRUE(f.PointVisible(0.999f, -0.999f, 0.999f));

  EXPECT_FALSE(f.SphereVisible(1.5f, 0, 0, 0.5f));
  EXPECT_TRUE(f.SphereVisible(1.5f, 0, 0, 0.6f));
  EXPECT_FALSE(f.SphereVisible(0, -3, 0, 2.0f));

  EXPECT_FALSE(f.CubeVisible(1.5f, 0, 0, 0.5f));  // nearest corners lie on the right plane
  EXPECT_TRUE(f.CubeVisible(1.5f, 0, 0, 0.6f));
  EXPECT_FALSE(f.CubeVisible(0, 0, 3, 1.0f));
  EXPECT_TRUE(f.CubeVisible(0, 0, 0, 100.0f));  // encloses the whole frustum
  EXPECT_TRUE(f.CubeVisible(0, 0, 0, 0.1f));    // wholly inside
}

TEST(Frustum, CubeTestFindsAnInnerCornerInAnyPosition) {
  // Cubes that poke into the frustum with a single corner, one for each corner.
  const CFrustum f = IdentityFrustum();
  for (int sx = -1; sx <= 1; sx += 2)
    for (int sy = -1; sy <= 1; sy += 2)
      for (int sz = -1; sz <= 1; sz += 2) {
        EXPECT_TRUE(f.CubeVisible(sx * 1.4f, sy * 1.4f, sz * 1.4f, 0.5f)) << sx << sy << sz;
        EXPECT_FALSE(f.CubeVisible(sx * 1.6f, sy * 1.6f, sz * 1.6f, 0.5f)) << sx << sy << sz;
      }
}

TEST(Frustum, CombinesProjectionAfterModelView) {
  // P scales x by 2, M moves the world by +0.5 on x: x_clip = 2 (x + 0.5),
  // so the visible x range is (-1, 0); the other order would give (-0.75, 0.25).
  float P[16] = {2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  float M[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.5f, 0, 0, 1};
  CFrustum f;
  f.ExtractFrom(P, M);
  ExpectPlane(f.planes[0], -1, 0, 0, 0);
  ExpectPlane(f.planes[1], 1, 0, 0, 1);
  EXPECT_TRUE(f.PointVisible(-0.9f, 0, 0));
  EXPECT_FALSE(f.PointVisible(0.1f, 0, 0));
}

TEST(Frustum, ScaledPerspectivePlanesAreInWorldUnits) {
  // The renderer's set-up: 60 degrees at 640/480, near 0.1, far 600, world scale 0.32,
  // eye at the origin looking down -z.
  float P[16];
  Perspective(60.0, 640.0 / 480.0, 0.1, 600.0, P);
  const float s = 0.32f;
  const float M[16] = {s, 0, 0, 0, 0, s, 0, 0, 0, 0, s, 0, 0, 0, 0, 1};
  CFrustum f;
  f.ExtractFrom(P, M);
  ExpectPlane(f.planes[5], 0, 0, -1, -0.3125f, 1e-4f);  // near: 0.3125 in front of the eye
  // far: 1875 in front, to single precision of nearly equal matrix rows
  ExpectPlane(f.planes[4], 0, 0, 1, 1875.0f, 0.5f);
  const float c = std::cos((float)M_PI / 6), sn = std::sin((float)M_PI / 6);
  ExpectPlane(f.planes[3], 0, -c, -sn, 0, 1e-5f);  // top: half of 60 degrees
  ExpectPlane(f.planes[2], 0, c, -sn, 0, 1e-5f);   // bottom
  for (const Plane& p : f.planes) EXPECT_NEAR(std::hypot(p.a, p.b, p.c), 1.0f, 1e-6f);

  EXPECT_TRUE(f.PointVisible(0, 0, -1));
  EXPECT_FALSE(f.PointVisible(0, 0, -0.3f));     // nearer than the near plane
  EXPECT_FALSE(f.PointVisible(0, 0, -1876.0f));  // beyond the far plane
  EXPECT_TRUE(f.SphereVisible(0, 0, 1, 1.5f));   // reaches across the near plane
  // A node's cube just behind the eye is culled, one ahead is kept.
  EXPECT_FALSE(f.CubeVisible(0, 0, 100, 48));
  EXPECT_TRUE(f.CubeVisible(0, 0, -100, 48));
}

TEST(Frustum, PlaneWithoutDirectionIsKeptAndNeverBecomesNaN) {
  // x drops out of the clip coordinates: right and left become (0, 0, 0, 1),
  // which OpenGL never clips against; the other planes stay proper.
  const float P[16] = {0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  CFrustum f;
  f.ExtractFrom(P, kIdentity);
  ExpectPlane(f.planes[0], 0, 0, 0, 1);
  ExpectPlane(f.planes[1], 0, 0, 0, 1);
  EXPECT_TRUE(f.PointVisible(1000.0f, 0, 0));
  EXPECT_FALSE(f.PointVisible(0, 2, 0));
  EXPECT_TRUE(f.CubeVisible(-500.0f, 0, 0, 0.5f));

  // An all-zero matrix: every plane is (0, 0, 0, 0), so no point or cube has an inner side.
  const float zero[16] = {};
  f.ExtractFrom(zero, kIdentity);
  for (const Plane& p : f.planes) {
    EXPECT_FALSE(std::isnan(p.a) || std::isnan(p.b) || std::isnan(p.c) || std::isnan(p.d));
  }
  EXPECT_FALSE(f.PointVisible(0, 0, 0));
  EXPECT_FALSE(f.CubeVisible(0, 0, 0, 1000.0f));
}

}  // namespace
