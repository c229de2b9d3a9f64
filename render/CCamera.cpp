#include "render/CCamera.h"

#include <cmath>

#include "base/Platform.h"

namespace {
const float kPixelsPerRadian = 1000.0f;
const float kPitchPerPixel = 8.0f;  // world units of target height per 1000 pixels
const float kPitchLimit = 10.0f;    // target height above or below the eye
}  // namespace

CCamera::CCamera(const Vector3& e, const Vector3& t, const Vector3& u) : eye(e), target(t), up(u) {}

// Moves eye and target along the horizontal view offset, by step times its length.
void CCamera::MoveForward(float step) {
  const float dx = target.x - eye.x;
  const float dz = target.z - eye.z;
  eye.x += dx * step;
  eye.z += dz * step;
  target.x += dx * step;
  target.z += dz * step;
}

bool CCamera::MouseLook() {
  // The pointer is the user's while another window is in front of ours or
  // ours is minimised: the camera flies straight on.
  HWND window = GetActiveWindow();
  if (!window || GetForegroundWindow() != window || IsIconic(window)) return false;
  POINT cursor;
  // NOTE: a failed read leaves the position unset; this frame simply does not steer.
  if (!GetCursorPos(&cursor)) return false;
  if (cursor.x == kMouseCentreX && cursor.y == kMouseCentreY) return false;
  // The cursor goes back to the centre first; the steering works from the
  // position read before.
  SetCursorPos(kMouseCentreX, kMouseCentreY);
  SteerFrom(cursor.x, cursor.y);
  return true;
}

void CCamera::SteerFrom(int32_t cursorX, int32_t cursorY) {
  // 64-bit differences: a wild position must not overflow the subtraction.
  const float yaw = (float)((int64_t)kMouseCentreX - cursorX) / kPixelsPerRadian;
  const float pitch = (float)((int64_t)kMouseCentreY - cursorY) / kPixelsPerRadian;
  target.y += pitch * kPitchPerPixel;
  // The pitch is a height offset of the target, held within a small band.
  if (target.y - eye.y > kPitchLimit) target.y = eye.y + kPitchLimit;
  if (target.y - eye.y < -kPitchLimit) target.y = eye.y - kPitchLimit;
  Rotate(0.0f, -yaw, 0.0f);
}

// Turns the target about the eye. Every axis works from the offset taken at
// entry, so with several angles a later axis overwrites an earlier one.
void CCamera::Rotate(float ax, float ay, float az) {
  const float dx = target.x - eye.x;
  const float dy = target.y - eye.y;
  const float dz = target.z - eye.z;
  // The sines and cosines are taken in double precision (the double overloads).
  if (ax != 0.0f) {
    const double c = std::cos((double)ax), s = std::sin((double)ax);
    target.y = (float)(eye.y + c * dy - s * dz);
    target.z = (float)(eye.z + s * dy + c * dz);
  }
  if (ay != 0.0f) {
    const double c = std::cos((double)ay), s = std::sin((double)ay);
    target.x = (float)(eye.x + c * dx - s * dz);
    target.z = (float)(eye.z + s * dx + c * dz);
  }
  if (az != 0.0f) {
    const double c = std::cos((double)az), s = std::sin((double)az);
    target.x = (float)(eye.x + c * dx + s * dy);
    target.y = (float)(eye.y + c * dy - s * dx);
  }
}

// Multiplies the look-at transform onto the current (model-view) matrix.
void CCamera::Apply() {
  gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);
}
