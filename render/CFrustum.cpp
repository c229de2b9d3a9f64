#include "render/CFrustum.h"

// Placeholder until the frustum lands.
void CFrustum::Extract() {}
void CFrustum::ExtractFrom(const float*, const float*) {}
void CFrustum::NormalizePlane(int) {}
bool CFrustum::PointVisible(float, float, float) const { return false; }
bool CFrustum::SphereVisible(float, float, float, float) const { return false; }
bool CFrustum::CubeVisible(float, float, float, float) const { return false; }
