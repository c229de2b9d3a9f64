#include "render/CCamera.h"

// Placeholder until the camera lands.
CCamera::CCamera(const Vector3& e, const Vector3& t, const Vector3& u) : eye(e), target(t), up(u) {}
void CCamera::MoveForward(float) {}
bool CCamera::MouseLook() { return false; }
void CCamera::Rotate(float, float, float) {}
void CCamera::Apply() {}
