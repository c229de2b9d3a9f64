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
  // The axis-aligned box from (x0, y0, z0) to (x1, y1, z1), tested as the cube is.
  bool BoxVisible(float x0, float y0, float z0, float x1, float y1, float z1) const;

  Plane planes[6];
};
