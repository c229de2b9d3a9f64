// Helpers for tests that draw with the renderer on a GlContext: known
// textures in the texture slots, the world transform of a frame, pixel and
// depth read-back, projection of world points, and screenshots.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "render/CCamera.h"
#include "render/CRenderer.h"
#include "terrain/CTerrainLoader.h"

#include <X11/Xlib.h>
#include <unistd.h>

struct Rgb {
  int r, g, b;
};

// Uploads an image into a texture slot the way the loader does: nearest
// filtering, no mipmaps, first row at t = 0.
inline void UploadSlot(int slot, int width, int height, int components,
                       const std::vector<uint8_t>& pixels) {
  if (TextureSlots[0] == 0) glGenTextures(3, TextureSlots);
  glBindTexture(GL_TEXTURE_2D, TextureSlots[slot]);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  const GLenum format = components == 4 ? GL_RGBA : GL_RGB;
  glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, format, GL_UNSIGNED_BYTE, pixels.data());
}

// The frame's world transform from a given camera, as the begin-frame step loads it.
inline void LoadWorldTransform(CRenderer& renderer, CCamera& camera) {
  renderer.SetPerspective(640, 480);
  glLoadIdentity();
  glScalef(0.32f, 0.32f, 0.32f);
  camera.Apply();
}

inline Rgb ReadPixel(int x, int y) {
  uint8_t p[4] = {};
  glFinish();
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}

inline float ReadDepth(int x, int y) {
  float depth = -1.0f;
  glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  return depth;
}

// Window position (x, y from the bottom left) and depth of a world point
// under the current matrices.
struct Projected {
  double x, y, depth;
  bool onScreen() const { return x >= 0 && x < 640 && y >= 0 && y < 480 && depth > 0 && depth < 1; }
};
inline Projected Project(double x, double y, double z) {
  double modelview[16], projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  Projected p{};
  gluProject(x, y, z, modelview, projection, viewport, &p.x, &p.y, &p.depth);
  return p;
}

// Saves the back buffer as a binary PPM in the test's working directory.
inline void SaveScreenshot(const std::string& name) {
  std::vector<uint8_t> pixels(640 * 480 * 3);
  glFinish();
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, 640, 480, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  FILE* file = fopen(name.c_str(), "wb");
  if (!file) return;
  fprintf(file, "P6\n640 480\n255\n");
  for (int row = 479; row >= 0; --row) fwrite(&pixels[row * 640 * 3], 1, 640 * 3, file);
  fclose(file);
}

// Puts the X pointer at a screen position, so the mouse steering reads a known cursor.
inline void WarpPointer(int x, int y) {
  Display* display = XOpenDisplay(nullptr);
  for (int attempt = 0; attempt < 5 && !display; ++attempt) {
    usleep(100 * 1000);  // see GlContext: a connection may be reset under load
    display = XOpenDisplay(nullptr);
  }
  if (!display) return;
  XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
  XSync(display, False);
  XCloseDisplay(display);
}

inline ::testing::AssertionResult RgbNear(const Rgb& actual, double r, double g, double b,
                                          double tolerance) {
  if (std::fabs(actual.r - r) <= tolerance && std::fabs(actual.g - g) <= tolerance &&
      std::fabs(actual.b - b) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "pixel (" << actual.r << ", " << actual.g << ", " << actual.b << "), expected (" << r
         << ", " << g << ", " << b << ") within " << tolerance;
}
#define EXPECT_RGB_NEAR(actual, r, g, b, tolerance) \
  EXPECT_TRUE(RgbNear((actual), (r), (g), (b), (tolerance)))
