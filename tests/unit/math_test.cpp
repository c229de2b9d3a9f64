// The arithmetic of the 3D system: normals, the frame rate, the camera's
// steering (its flight is the no-context test's), and the frustum's culling.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "math/CFrustum.h"
#include "render/CCamera.h"
#include "render/CRenderer.h"

namespace {

void ExpectVector(const Vector3& v, Vector3 want, float tolerance = 1e-4f) {
  EXPECT_NEAR(v.x, want.x, tolerance);
  EXPECT_NEAR(v.y, want.y, tolerance);
  EXPECT_NEAR(v.z, want.z, tolerance);
}

// Terrain triangles: a sample and its +x and +z neighbours, 16 units apart.
TEST(TriangleNormal, IsTheUnitNormalOfTheTerrainTriangle) {
  struct Case {
    float h00, h01, h10;
    Vector3 want;
  };
  const float r = 0.7071068f;
  const Case kCases[] = {
      {0, 0, 0, {0, -1, 0}},    {510, 510, 510, {0, -1, 0}},
      {0, 16, 0, {r, -r, 0}},   {0, 0, 16, {0, -r, r}},
      {16, 0, 16, {-r, -r, 0}}, {200, 510, 6, {0.846881f, -0.043710f, -0.529983f}}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.h00 + c.h01 * 1000 + c.h10 * 1e6);
    Vector3 n;
    TriangleNormal({0, c.h00, 0}, {16, c.h01, 0}, {0, c.h10, 16}, n);
    ExpectVector(n, c.want);
  }
}

// Inside one second counts as one second; a clock that went backwards gives 0;
// one that wrapped round counts on.
TEST(AverageFrameRate, CountsWholeFramesPerElapsedSecond) {
  struct Case {
    uint32_t frames;
    int32_t start, end;
    uint32_t want;
  };
  // clang-format off
  const Case kCases[] = {{600, 1000, 1010, 60}, {599, 1000, 1010, 59}, {42, 1000, 1000, 42},
                         {600, 1010, 1000, 0},  {600, INT32_MAX - 4, INT32_MIN + 5, 60}};
  // clang-format on
  for (const Case& c : kCases) EXPECT_EQ(AverageFrameRate(c.frames, c.start, c.end), c.want);
}

// One frame's steering from a cursor position, from eye (0, 0, 0) looking at
// (100, 0, 0): left and right turn about the eye, up and down move the target's
// height within 10 units of the eye's, the centre changes nothing.
TEST(Camera, TurnsAboutTheEyeFromTheCursorOffset) {
  // clang-format off
  struct Case {
    int32_t x, y;
    Vector3 target;
  } const kCases[] = {
      {320, 240, {100, 0, 0}},           {330, 240, {99.995f, 0, 0.99998f}},
      {300, 240, {99.98f, 0, -1.99987f}}, {320, 250, {100, -0.08f, 0}},
      {320, 0, {100, 1.92f, 0}},          {320, -100000, {100, 10, 0}},
      {320, 100000, {100, -10, 0}}};
  // clang-format on
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    CCamera camera({0, 0, 0}, {100, 0, 0}, {0, 1, 0});
    camera.SteerFrom(c.x, c.y);
    ExpectVector(camera.target, c.target);
  }
  CCamera wild({0, 0, 0}, {100, 0, 0}, {0, 1, 0});
  wild.SteerFrom(INT32_MIN, INT32_MAX);
  EXPECT_TRUE(std::isfinite(wild.target.x) && std::isfinite(wild.target.z));

  // Rotate turns the target about the eye by each axis's angle.
  const float sixth = (float)(M_PI / 3);  // cos 0.5, sin 0.866025
  const struct {
    float ax, ay, az;
    Vector3 target;
  } kTurns[] = {{sixth, 0, 0, {11, -13.98076f, 35.32051f}},
                {0, sixth, 0, {-19.98076f, 22, 26.66025f}},
                {0, 0, sixth, {23.32051f, 3.33975f, 33}}};
  for (const auto& turn : kTurns) {
    CCamera camera({1, 2, 3}, {11, 22, 33}, {0, 1, 0});
    camera.Rotate(turn.ax, turn.ay, turn.az);
    ExpectVector(camera.target, turn.target);
  }
}

// The planes of perspective views from oblique cameras, against the
// definition of the view volume: a point is inside when its clip coordinates
// lie strictly within -w and w.
struct ObliqueView {
  float projection[16] = {}, modelview[16] = {};
  ObliqueView(double yaw, double pitch) {
    const double f = 1 / std::tan(M_PI / 6), n = 0.1, far = 600;
    projection[0] = (float)(f / (4.0 / 3)), projection[5] = (float)f;
    projection[10] = (float)((far + n) / (n - far)), projection[11] = -1;
    projection[14] = (float)(2 * far * n / (n - far));
    // Turned by yaw about y, then pitch about x, looking from (100, 50, 200).
    const double cy = std::cos(yaw), sy = std::sin(yaw), cp = std::cos(pitch), sp = std::sin(pitch);
    const double r[3][3] = {{cy, 0, -sy}, {sp * sy, cp, sp * cy}, {cp * sy, -sp, cp * cy}};
    for (int row = 0; row < 3; ++row) {
      for (int col = 0; col < 3; ++col) modelview[col * 4 + row] = (float)r[row][col];
      modelview[12 + row] = (float)-(r[row][0] * 100 + r[row][1] * 50 + r[row][2] * 200);
    }
    modelview[15] = 1;
  }
  // The smallest margin by which the point lies inside the volume (negative: outside).
  double Inside(double x, double y, double z) const {
    double eyeSpace[4], clip[4];
    for (int i = 0; i < 4; ++i)
      eyeSpace[i] =
          modelview[i] * x + modelview[4 + i] * y + modelview[8 + i] * z + modelview[12 + i];
    for (int i = 0; i < 4; ++i)
      clip[i] = projection[i] * eyeSpace[0] + projection[4 + i] * eyeSpace[1] +
                projection[8 + i] * eyeSpace[2] + projection[12 + i] * eyeSpace[3];
    return std::min(
        {clip[3] - std::fabs(clip[0]), clip[3] - std::fabs(clip[1]), clip[3] - std::fabs(clip[2])});
  }
};

TEST(Frustum, PlanesBoundTheViewVolumeAndCubesAreCulledConservatively) {
  uint32_t seed = 12345;
  auto random = [&](double range) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) / double(1 << 24) * 2 * range - range;
  };
  for (double yaw : {0.6, 2.2, 3.8, 5.4}) {
    for (double pitch : {-0.3, 0.3}) {
      SCOPED_TRACE(testing::Message() << "yaw " << yaw << ", pitch " << pitch);
      const ObliqueView view(yaw, pitch);
      CFrustum frustum;
      frustum.ExtractFrom(view.projection, view.modelview);
      // Nearer than the near plane, 0.1 in front of the eye, is outside, and
      // so is a small sphere there.
      const float* m = view.modelview;
      for (float d : {0.05f, 1.0f}) {
        const float x = 100 - d * m[2], y = 50 - d * m[6], z = 200 - d * m[10];
        EXPECT_EQ(frustum.PointVisible(x, y, z), d > 0.1f);
        EXPECT_EQ(frustum.SphereVisible(x, y, z, 0.01f), d > 0.1f);
      }
      int inside = 0, culled = 0;
      for (int i = 0; i < 5000; ++i) {
        const double x = 100 + random(400), y = 50 + random(400), z = 200 + random(400);
        const double margin = view.Inside(x, y, z);
        if (std::fabs(margin) > 1e-2) {
          EXPECT_EQ(frustum.PointVisible(x, y, z), margin > 0) << x << "," << y << "," << z;
          EXPECT_TRUE(margin < 0 || frustum.SphereVisible(x, y, z, 1));
          inside += margin > 0;
        }
        // A cube with any corner well inside the volume is never culled.
        const double half = 1 + std::fabs(random(40));
        bool cornerInside = false;
        for (int corner = 0; corner < 8; ++corner)
          cornerInside |=
              view.Inside(x + (corner & 1 ? half : -half), y + (corner & 2 ? half : -half),
                          z + (corner & 4 ? half : -half)) > 1e-2;
        if (!frustum.CubeVisible(x, y, z, half)) {
          ++culled;
          EXPECT_FALSE(cornerInside) << "cube at " << x << "," << y << "," << z << " half " << half;
        }
      }
      EXPECT_GT(inside, 50);
      EXPECT_GT(culled, 2500);
    }
  }
}

}  // namespace
