#include "math/Vector3.h"

#include <cmath>

void TriangleNormal(const Vector3& p0, const Vector3& p1, const Vector3& p2, Vector3& result) {
  const Vector3 u = {p0.x - p1.x, p0.y - p1.y, p0.z - p1.z};
  const Vector3 v = {p1.x - p2.x, p1.y - p2.y, p1.z - p2.z};
  result.x = u.y * v.z - u.z * v.y;
  result.y = u.z * v.x - u.x * v.z;
  result.z = u.x * v.y - u.y * v.x;
  const float length = (float)std::sqrt((double)result.x * result.x + (double)result.y * result.y +
                                        (double)result.z * result.z);
  result.x /= length;
  result.y /= length;
  result.z /= length;
}
