// The OpenGL device and the camera on the real platform: the renderer binds
// its context to the program's own main window through WGL, and the camera
// steers by the real X pointer.
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>

#include "X11TestSupport.h"
#include "RenderKit.h"
#include "System/Win32/CWindow.h"
#include "tests/unit/LogFile.h"

using namespace x11test;

namespace {

class RendererWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.Register(nullptr);
    window_.Create("SKELV by Quorrin");
    ASSERT_NE(window_.window, nullptr) << "no X server in DISPLAY";
    Settle();
  }
  void TearDown() override {
    if (GetActiveWindow() == window_.window) DefWindowProcA(window_.window, WM_CLOSE, 0, 0);
    Settle(20);
  }
  CWindow window_{};
  CRenderer renderer_{};
};

TEST_F(RendererWindow, InitBindsAContextToTheActiveWindowAndLogsTheDriver) {
  LogFile log("OpenGL.txt");
  const int32_t before = (int32_t)time(nullptr);
  renderer_.Init();
  const int32_t after = (int32_t)time(nullptr);

  const std::string text = log.Added();
  int first = -1, second = -2;
  ASSERT_EQ(sscanf(text.c_str(), "DC %i, GetActiveWindow DC %i\n", &first, &second), 2) << text;
  EXPECT_EQ(first, second) << "the window's own device context, twice";
  EXPECT_EQ(first, (int)(INT_PTR)renderer_.deviceContext);
  EXPECT_NE(first, 0);
  EXPECT_EQ(text.find("Failed"), std::string::npos) << text;
  const std::string version = std::string("Version: ") + (const char*)glGetString(GL_VERSION);
  EXPECT_NE(text.find("\nOpenGL Driver Info\nVendor: "), std::string::npos) << text;
  EXPECT_NE(text.find(version), std::string::npos) << text;
  EXPECT_NE(renderer_.renderingContext, nullptr);
  EXPECT_EQ(renderer_.frameCount, 0u);
  EXPECT_GE(renderer_.startTime, before);
  EXPECT_LE(renderer_.startTime, after);

  // The requested format: double-buffered RGBA with a deep depth buffer.
  GLint bits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &bits);
  EXPECT_GE(bits, 24);
  glGetIntegerv(GL_RED_BITS, &bits);
  EXPECT_EQ(bits, 8);
  GLboolean doubleBuffered = GL_FALSE;
  glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
  EXPECT_TRUE(doubleBuffered);
  // The fixed state is set on this context.
  EXPECT_TRUE(glIsEnabled(GL_FOG));
  EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
  EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
  renderer_.DeInit();
}

TEST_F(RendererWindow, FramesReachTheWindowAndDeInitReleasesTheContext) {
  renderer_.Init();
  renderer_.SetPerspective(640, 480);
  SetCursorPos(kMouseCentreX, kMouseCentreY);
  for (int frame = 0; frame < 3; ++frame) {
    renderer_.BeginFrame();
    renderer_.DrawLogo();
    renderer_.EndFrame();
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    Settle(0);
  }
  EXPECT_EQ(renderer_.frameCount, 3u);
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);

  // The calendar clock read earlier at the end than at the start: the
  // unsigned difference is huge and the average comes out as 0.
  renderer_.startTime = (int32_t)time(nullptr) + 1000;
  LogFile log("OpenGL.txt");
  renderer_.DeInit();
  EXPECT_EQ(log.Added(), "Average frame rate: 0 FPS\n");
  EXPECT_EQ(glGetString(GL_VERSION), nullptr) << "no context is current any more";
  EXPECT_FALSE(wglMakeCurrent(renderer_.deviceContext, renderer_.renderingContext))
      << "the context is gone";
}

TEST_F(RendererWindow, AverageFrameRateOfAShortRunIsTheFrameCount) {
  renderer_.Init();
  renderer_.frameCount = 42;
  renderer_.startTime = (int32_t)time(nullptr);
  LogFile log("OpenGL.txt");
  renderer_.DeInit();
  const uint32_t elapsed = (uint32_t)renderer_.endTime - (uint32_t)renderer_.startTime;
  // Within the same second the run counts as one second, otherwise 42 / elapsed.
  EXPECT_EQ(log.Added(),
            "Average frame rate: " + std::to_string(elapsed ? 42 / elapsed : 42) + " FPS\n");
}

// Signed angle between the horizontal view directions, positive to the right.
double Turn(const CCamera& a, const CCamera& b) {
  const double ax = a.target.x - a.eye.x, az = a.target.z - a.eye.z;
  const double bx = b.target.x - b.eye.x, bz = b.target.z - b.eye.z;
  return std::atan2(ax * bz - az * bx, ax * bx + az * bz);
}

POINT Cursor() {
  POINT p = {-1, -1};
  EXPECT_TRUE(GetCursorPos(&p));
  return p;
}

TEST(MouseLook, SteersByTheRealPointerAndPutsItBack) {
  const CCamera start({128, 368, 128}, {585, 420, 400}, {0, 1, 0});
  CCamera camera = start;
  ASSERT_TRUE(SetCursorPos(kMouseCentreX, kMouseCentreY)) << "no X server in DISPLAY";
  EXPECT_FALSE(camera.MouseLook()) << "at the centre nothing happens";
  EXPECT_EQ(camera.target.y, 420.0f) << "not even the pitch band is applied";

  SetCursorPos(330, 240);
  EXPECT_TRUE(camera.MouseLook());
  EXPECT_NEAR(Turn(start, camera), 0.01, 1e-6) << "ten pixels right turn right";
  EXPECT_EQ(camera.target.y, camera.eye.y + 10.0f);
  const POINT back = Cursor();
  EXPECT_EQ(back.x, kMouseCentreX);
  EXPECT_EQ(back.y, kMouseCentreY);
  const CCamera turned = camera;
  EXPECT_FALSE(camera.MouseLook()) << "the next frame finds the cursor at the centre";
  EXPECT_EQ(camera.target.x, turned.target.x);

  SetCursorPos(320, 250);
  EXPECT_TRUE(camera.MouseLook());
  EXPECT_FLOAT_EQ(camera.target.y, turned.target.y - 0.08f);
  EXPECT_EQ(camera.target.x, turned.target.x) << "no turn";
}

}  // namespace
