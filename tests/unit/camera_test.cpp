#include <gtest/gtest.h>

#include <cmath>

#include "render/CCamera.h"

namespace {

float HorizontalDistance(const CCamera& c) {
  return std::hypot(c.target.x - c.eye.x, c.target.z - c.eye.z);
}

// Signed angle (radians) that turns the horizontal view direction of a into
// that of b; positive means a turn to the right with y up.
double TurnAngle(const CCamera& a, const CCamera& b) {
  const double ax = a.target.x - a.eye.x, az = a.target.z - a.eye.z;
  const double bx = b.target.x - b.eye.x, bz = b.target.z - b.eye.z;
  return std::atan2(ax * bz - az * bx, ax * bx + az * bz);
}

CCamera StartPose() { return CCamera({128, 368, 128}, {585, 420, 400}, {0, 1, 0}); }

void ExpectSame(const Vector3& a, const Vector3& b) {
  EXPECT_EQ(a.x, b.x);
  EXPECT_EQ(a.y, b.y);
  EXPECT_EQ(a.z, b.z);
}

TEST(Camera, GlobalCameraStartsAtTheFlightPose) {
  ExpectSame(GlobalCamera.eye, {128, 368, 128});
  ExpectSame(GlobalCamera.target, {585, 420, 400});
  ExpectSame(GlobalCamera.up, {0, 1, 0});
}

TEST(Camera, ZeroStepAndZeroAnglesChangeNothing) {
  CCamera camera = StartPose();
  camera.MoveForward(0.0f);
  camera.Rotate(0.0f, 0.0f, 0.0f);
  camera.Rotate(-0.0f, -0.0f, -0.0f);
  ExpectSame(camera.eye, StartPose().eye);
  ExpectSame(camera.target, StartPose().target);
}

TEST(Camera, FlightIsAStraightLevelLineAtConstantSpeed) {
  CCamera camera = StartPose();
  const float distance = HorizontalDistance(camera);
  EXPECT_NEAR(distance, 531.8f, 0.05f);
  Vector3 previous = camera.eye;
  for (int frame = 0; frame < 1000; ++frame) {
    camera.MoveForward(0.002f);
    const float dx = camera.eye.x - previous.x, dz = camera.eye.z - previous.z;
    ASSERT_NEAR(std::hypot(dx, dz), 0.002f * distance, 1e-3f);
    // The step stays parallel to the starting direction (457, 272).
    ASSERT_NEAR(dx * 272.0f - dz * 457.0f, 0.0f, 0.05f);
    previous = camera.eye;
  }
  EXPECT_EQ(camera.eye.y, 368.0f);
  EXPECT_EQ(camera.target.y, 420.0f);
  EXPECT_NEAR(HorizontalDistance(camera), distance, 0.05f);  // float drift only
  EXPECT_NEAR(camera.eye.x, 128.0f + 457.0f * 2.0f, 0.1f);   // 1000 steps of 0.002
}

TEST(Camera, CursorAtTheCentreChangesNothingEvenOutsideThePitchBand) {
  CCamera camera = StartPose();  // target 52 above the eye
  EXPECT_FALSE(camera.SteerFrom(kMouseCentreX, kMouseCentreY));
  ExpectSame(camera.target, StartPose().target);
}

TEST(Camera, CursorRightOfCentreTurnsRightAndClampsThePitch) {
  CCamera camera = StartPose();
  EXPECT_TRUE(camera.SteerFrom(330, 240));
  EXPECT_NEAR(TurnAngle(StartPose(), camera), 0.01, 1e-6);
  EXPECT_NEAR(HorizontalDistance(camera), HorizontalDistance(StartPose()), 1e-3f);
  EXPECT_EQ(camera.target.y, camera.eye.y + 10.0f);
  ExpectSame(camera.eye, StartPose().eye);
  ExpectSame(camera.up, StartPose().up);

  CCamera left = StartPose();
  EXPECT_TRUE(left.SteerFrom(300, 240));
  EXPECT_NEAR(TurnAngle(StartPose(), left), -0.02, 1e-6);
}

TEST(Camera, VerticalOffsetOnlyPitchesWithoutTurning) {
  CCamera camera({0, 368, 0}, {100, 368, 50}, {0, 1, 0});
  EXPECT_TRUE(camera.SteerFrom(320, 250));  // the turn angle is -0, which counts as none
  EXPECT_EQ(camera.target.x, 100.0f);
  EXPECT_EQ(camera.target.z, 50.0f);
  EXPECT_FLOAT_EQ(camera.target.y, 368.0f - 0.08f);

  EXPECT_TRUE(camera.SteerFrom(320, 230));  // above the centre raises the target
  EXPECT_NEAR(camera.target.y, 368.0f, 1e-4f);
}

TEST(Camera, PitchBandKeepsItsExactLimitsAndClampsBeyond) {
  // 1250 pixels move the target by exactly 10 units.
  CCamera up({0, 368, 0}, {100, 368, 0}, {0, 1, 0});
  up.SteerFrom(320, 240 - 1250);
  EXPECT_EQ(up.target.y, 378.0f);
  CCamera down({0, 368, 0}, {100, 368, 0}, {0, 1, 0});
  down.SteerFrom(320, 240 + 1250);
  EXPECT_EQ(down.target.y, 358.0f);

  CCamera beyond({0, 368, 0}, {100, 368, 0}, {0, 1, 0});
  beyond.SteerFrom(320, 240 + 1251);
  EXPECT_EQ(beyond.target.y, 358.0f);
  // A sideways move alone also brings a steep start pose into the band.
  CCamera sideways({0, 368, 0}, {100, 300, 0}, {0, 1, 0});
  sideways.SteerFrom(321, 240);
  EXPECT_EQ(sideways.target.y, 358.0f);
}

TEST(Camera, FarCursorPositionsStayFinite) {
  CCamera camera = StartPose();
  camera.SteerFrom(INT32_MIN, INT32_MAX);
  EXPECT_TRUE(std::isfinite(camera.target.x));
  EXPECT_TRUE(std::isfinite(camera.target.z));
  EXPECT_EQ(camera.target.y, camera.eye.y - 10.0f);
}

TEST(Camera, RotateWorksFromTheEntryOffsetOnEveryAxis) {
  const float half = (float)(M_PI / 2);
  CCamera yaw({10, 0, 20}, {11, 0, 20}, {0, 1, 0});
  yaw.Rotate(0, half, 0);
  EXPECT_NEAR(yaw.target.x, 10.0f, 1e-6f);
  EXPECT_NEAR(yaw.target.z, 21.0f, 1e-6f);

  // ax writes y and z; ay then rewrites z from the entry offset, not from ax's result.
  CCamera both({0, 0, 0}, {1, 0, 1}, {0, 1, 0});
  both.Rotate(half, half, 0);
  EXPECT_NEAR(both.target.y, -1.0f, 1e-6f);  // from ax: cos*0 - sin*1
  EXPECT_NEAR(both.target.x, -1.0f, 1e-6f);  // from ay: cos*1 - sin*1
  EXPECT_NEAR(both.target.z, 1.0f, 1e-6f);   // from ay: sin*1 + cos*1

  CCamera roll({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  roll.Rotate(0, 0, half);
  EXPECT_NEAR(roll.target.x, 0.0f, 1e-6f);
  EXPECT_NEAR(roll.target.y, -1.0f, 1e-6f);
  ExpectSame(roll.eye, {0, 0, 0});
}

}  // namespace
