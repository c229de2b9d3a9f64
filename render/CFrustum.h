#pragma once

#include "math/Vector3.h"

// The six clip planes of the current view, in world coordinates:
// right, left, bottom, top, far, near.
class CFrustum {
 public:
  // Reads the current projection and model-view matrices from OpenGL.
  void Extract();
  // The same from two column-major matrices.
  void ExtractFrom(const float projection[16], const float modelview[16]);
  void NormalizePlane(int index);

  bool PointVisible(float x, float y, float z) const;
  bool SphereVisible(float x, float y, float z, float radius) const;
  bool CubeVisible(float x, float y, float z, float half) const;

  Plane planes[6];
};
