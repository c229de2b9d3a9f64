#pragma once

#include <cstdint>

#include "base/CLog.h"
#include "base/Platform.h"
#include "math/CFrustum.h"

// The OpenGL device: binds a context to the active window, sets the fixed
// pipeline state once and brackets every frame. No constructor: its owner
// creates it as storage and Init fills it.
class CRenderer {
 public:
  // False when no rendering context could be made current: nothing can be drawn.
  bool Init();
  void SetPerspective(int32_t width, int32_t height);
  void BeginFrame();
  void EndFrame();
  bool DeInit();

  void DrawSkyBox();
  void DrawLogo();

  // The pipeline state every drawing step relies on, set once on the new context.
  static void SetFixedState();
  // Writes the driver's identification strings to the OpenGL log.
  static void LogDriverInfo();

  CFrustum frustum;
  HGLRC renderingContext;
  HDC deviceContext;
  uint32_t frameCount;
  int32_t startTime;
  int32_t endTime;
};

// Average frames per second over [start, end] in whole seconds, as logged at shut-down.
uint32_t AverageFrameRate(uint32_t frames, int32_t startTime, int32_t endTime);

// The fourth component of the viewer-fixed light's position: 0 makes it a
// direction, from the upper right behind the viewer. The overlays are lit with
// a long, unnormalised normal, so wherever the light faces them they come out
// fully lit; a point light at (512, 368, 512) would fade the logo and the
// console panel from left to right, a direction lights them evenly.
const float kLightPositionW = 0.0f;

extern CLog OpenGLLog;
