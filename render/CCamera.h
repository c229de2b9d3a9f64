#pragma once

#include <cstdint>

#include "base/Screen.h"
#include "math/Vector3.h"

// A look-at camera flown forward and steered by the mouse, once per frame.
class CCamera {
 public:
  CCamera(const Vector3& eye, const Vector3& target, const Vector3& up);

  void MoveForward(float step);
  bool MouseLook();
  void Rotate(float ax, float ay, float az);
  void Apply();

  // The steering of one frame from a cursor position in screen coordinates;
  // at the centre point nothing changes.
  void SteerFrom(int32_t cursorX, int32_t cursorY);

  Vector3 eye;
  Vector3 target;
  Vector3 up;
};

// The screen point the mouse steers from, and the cursor is returned to.
const int32_t kMouseCentreX = kScreenWidth / 2;
const int32_t kMouseCentreY = kScreenHeight / 2;

extern CCamera GlobalCamera;
