#include "math/CFrustum.h"

#include <cmath>

#include "base/Platform.h"

namespace {
enum { kRight, kLeft, kBottom, kTop, kFar, kNear };

// Signed distance of a point from a normalised plane, positive inside.
inline float Distance(const Plane& p, float x, float y, float z) {
  return p.a * x + p.b * y + p.c * z + p.d;
}
}  // namespace

void CFrustum::Extract() {
  float projection[16];
  float modelview[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  ExtractFrom(projection, modelview);
}

// Each plane is row 3 of the combined clip matrix plus or minus one of the
// other rows; with the model-view holding the world transform they come out
// in world coordinates.
void CFrustum::ExtractFrom(const float P[16], const float M[16]) {
  float K[16];
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      K[4 * i + j] = M[4 * i] * P[j] + M[4 * i + 1] * P[4 + j] + M[4 * i + 2] * P[8 + j] +
                     M[4 * i + 3] * P[12 + j];
    }
  }
  // row r of K is (K[r], K[4 + r], K[8 + r], K[12 + r]); sign +1 adds, -1 subtracts.
  struct Combination {
    int index, row;
    float sign;
  };
  static const Combination kCombinations[6] = {{kRight, 0, -1.0f}, {kLeft, 0, 1.0f},
                                               {kBottom, 1, 1.0f}, {kTop, 1, -1.0f},
                                               {kFar, 2, -1.0f},   {kNear, 2, 1.0f}};
  for (const Combination& c : kCombinations) {
    Plane& plane = planes[c.index];
    plane.a = K[3] + c.sign * K[c.row];
    plane.b = K[7] + c.sign * K[4 + c.row];
    plane.c = K[11] + c.sign * K[8 + c.row];
    plane.d = K[15] + c.sign * K[12 + c.row];
    NormalizePlane(c.index);
  }
}

void CFrustum::NormalizePlane(int index) {
  Plane& plane = planes[index];
  const float length = (float)std::sqrt((double)plane.a * plane.a + (double)plane.b * plane.b +
                                        (double)plane.c * plane.c);
  // NOTE: only a degenerate matrix gives a plane without direction. It is kept
  // as it is: its value is then the constant d, so it passes everything or
  // nothing exactly as OpenGL's clipping against it would, and no NaN appears.
  if (length == 0.0f) return;
  plane.a /= length;
  plane.b /= length;
  plane.c /= length;
  plane.d /= length;
}

// A point on a plane counts as outside.
bool CFrustum::PointVisible(float x, float y, float z) const {
  for (const Plane& plane : planes) {
    if (!(Distance(plane, x, y, z) > 0.0f)) return false;
  }
  return true;
}

bool CFrustum::SphereVisible(float x, float y, float z, float radius) const {
  for (const Plane& plane : planes) {
    if (Distance(plane, x, y, z) <= -radius) return false;
  }
  return true;
}

// Conservative: visible unless some plane has all eight corners on or outside
// it. Each plane stops at its first inner corner.
bool CFrustum::CubeVisible(float x, float y, float z, float half) const {
  return BoxVisible(x - half, y - half, z - half, x + half, y + half, z + half);
}

bool CFrustum::BoxVisible(float x0, float y0, float z0, float x1, float y1, float z1) const {
  for (const Plane& p : planes) {
    if (Distance(p, x0, y0, z0) > 0.0f) continue;
    if (Distance(p, x1, y0, z0) > 0.0f) continue;
    if (Distance(p, x0, y1, z0) > 0.0f) continue;
    if (Distance(p, x1, y1, z0) > 0.0f) continue;
    if (Distance(p, x0, y0, z1) > 0.0f) continue;
    if (Distance(p, x1, y0, z1) > 0.0f) continue;
    if (Distance(p, x0, y1, z1) > 0.0f) continue;
    if (Distance(p, x1, y1, z1) > 0.0f) continue;
    return false;
  }
  return true;
}
