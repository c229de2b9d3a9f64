// The program's own application object for tests that need the real window,
// its OpenGL context and the loaded scene: made once per test program, in a
// folder of its own holding the shipped terrain and music and a coded sky and
// logo, with the cursor at the steering centre. Also pixel read-back.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "System/Win32/CApplication.h"
#include "TestFiles.h"
#include "render/CCamera.h"

struct Rgb {
  double r, g, b;
};

// Sky texel (row, column) is (column, row, 128); logo columns alternate
// between clear texels of (60, 90, 120) and opaque red ones.
inline std::string CodedSky() {
  std::string sky(256 * 256 * 3, '\0');
  for (int i = 0; i < 256 * 256; ++i)
    sky[i * 3] = (char)(i % 256), sky[i * 3 + 1] = (char)(i / 256), sky[i * 3 + 2] = (char)128;
  return sky;
}
// Odd columns opaque, even ones clear with their row in blue (twice the row).
inline std::string CodedLogo() {
  std::string logo;
  for (int i = 0; i < 128 * 64; ++i)
    logo += i % 2 ? std::string("\xff\0\0\xff", 4)
                  : std::string("\x3c\x5a", 2) + (char)(i / 128 * 2) + '\0';
  return logo;
}

class TestApplication {
 public:
  TestApplication() : m_folder("application") {
    for (const char* name : {"Scape.raw", "scape.tex", "Duridaz.mid"})
      WriteWholeFile(name, ShippedFile(name));
    WriteWholeFile("sky.raw", CodedSky());
    WriteWholeFile("skelv.rgba", CodedLogo());
    app.window->Register(nullptr);  // no WinMain, no instance handle: none is needed
    app.window->Create("SKELV by Quorrin");
    if (!app.window->window) ADD_FAILURE() << "no window: is DISPLAY an X server with GLX?";
    app.Init();
    SetCursorPos(kMouseCentreX, kMouseCentreY);
  }
  ~TestApplication() { app.DeInit(); }
  CApplication app;

 private:
  ScratchFolder m_folder;
};

inline CApplication& App() {
  static TestApplication application;
  return application.app;
}
inline CRenderer& Renderer() { return *App().system->renderer; }

// A test that starts with the application made.
class AppTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }
};

// Puts the camera at a pose and starts a frame there, as the frame's first step does.
inline void BeginFrameAt(Vector3 eye, Vector3 target) {
  SetCursorPos(kMouseCentreX, kMouseCentreY);
  GlobalCamera = CCamera(eye, target, {0, 1, 0});
  Renderer().BeginFrame();
}

inline Rgb ReadPixel(int x, int y) {
  unsigned char p[4] = {};
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return {(double)p[0], (double)p[1], (double)p[2]};
}

// The back buffer, where the frame is drawn (and, under Mesa, kept through a swap).
inline std::string ReadFrame() {
  std::string pixels(SKELV_CLIENT_WIDTH * SKELV_CLIENT_HEIGHT * 3, '\0');
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, SKELV_CLIENT_WIDTH, SKELV_CLIENT_HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, &pixels[0]);
  return pixels;
}

inline int DifferentPixels(const std::string& a, const std::string& b) {
  int count = 0;
  for (size_t i = 0; i < a.size(); i += 3) count += a.compare(i, 3, b, i, 3) != 0;
  return count;
}

inline ::testing::AssertionResult Near(const Rgb& actual, const Rgb& want, double tolerance) {
  if (std::fabs(actual.r - want.r) <= tolerance && std::fabs(actual.g - want.g) <= tolerance &&
      std::fabs(actual.b - want.b) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "(" << actual.r << ", " << actual.g << ", " << actual.b << "), expected (" << want.r
         << ", " << want.g << ", " << want.b << ")";
}
