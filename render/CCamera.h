#pragma once

#include "math/Vector3.h"

// A look-at camera flown forward and steered by the mouse, once per frame.
class CCamera {
 public:
  CCamera(const Vector3& eye, const Vector3& target, const Vector3& up);

  void MoveForward(float step);
  bool MouseLook();
  void Rotate(float ax, float ay, float az);
  void Apply();

  Vector3 eye;
  Vector3 target;
  Vector3 up;
};

extern CCamera GlobalCamera;
