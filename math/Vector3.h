#pragma once

struct Vector3 {
  float x, y, z;
};

// a*x + b*y + c*z + d is positive on the inner side.
struct Plane {
  float a, b, c, d;
};

// Unit normal of the triangle (p0, p1, p2): the normalised (p0 - p1) x (p1 - p2).
void TriangleNormal(const Vector3& p0, const Vector3& p1, const Vector3& p2, Vector3& result);
