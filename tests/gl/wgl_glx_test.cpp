// GDI and WGL on GLX: the window's private device context, pixel formats,
// a compatibility context that draws with the fixed-function pipeline into
// the window, and frames drawn after the window was destroyed.
#include "X11TestSupport.h"

#include <GL/glx.h>

using namespace x11test;

namespace {

// The descriptor the renderer asks for.
PIXELFORMATDESCRIPTOR RendererDescriptor() {
  PIXELFORMATDESCRIPTOR pfd = {};
  pfd.nSize = 40;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 24;
  pfd.cDepthBits = 32;
  pfd.iLayerType = PFD_MAIN_PLANE;
  return pfd;
}

// The deepest depth buffer of any double-buffered RGBA config a window can use.
int DeepestWindowDepth(Display* display) {
  int count = 0, deepest = 0;
  GLXFBConfig* configs = glXGetFBConfigs(display, DefaultScreen(display), &count);
  for (int i = 0; i < count; ++i) {
    int drawable = 0, doubleBuffer = 0, depth = 0;
    glXGetFBConfigAttrib(display, configs[i], GLX_DRAWABLE_TYPE, &drawable);
    glXGetFBConfigAttrib(display, configs[i], GLX_DOUBLEBUFFER, &doubleBuffer);
    glXGetFBConfigAttrib(display, configs[i], GLX_DEPTH_SIZE, &depth);
    if ((drawable & GLX_WINDOW_BIT) && doubleBuffer && depth > deepest) deepest = depth;
  }
  XFree(configs);
  return deepest;
}

class WglTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(user_.display(), nullptr) << "no X server in DISPLAY";
    hwnd_ = CreateTestWindow("wgl");
    ASSERT_NE(hwnd_, nullptr);
    dc_ = GetDC(hwnd_);
    ASSERT_NE(dc_, nullptr);
  }
  void TearDown() override {
    wglMakeCurrent(nullptr, nullptr);
    if (context_) wglDeleteContext(context_);
    DefWindowProcA(hwnd_, WM_CLOSE, 0, 0);
    Settle(20);
  }
  // What the renderer does: choose, set, create, make current.
  void MakeRendererContext() {
    PIXELFORMATDESCRIPTOR pfd = RendererDescriptor();
    int format = ChoosePixelFormat(dc_, &pfd);
    ASSERT_GT(format, 0);
    ASSERT_TRUE(SetPixelFormat(dc_, format, &pfd));
    context_ = wglCreateContext(dc_);
    ASSERT_NE(context_, nullptr);
    ASSERT_TRUE(wglMakeCurrent(dc_, context_));
  }
  // The colour of a window pixel as the X server shows it.
  unsigned long PixelOnScreen(int x, int y) {
    XImage* image =
        XGetImage(user_.display(), user_.FindByName("wgl"), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0xDEADBEEF;
    unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
  }

  XUser user_;
  HWND hwnd_ = nullptr;
  HDC dc_ = nullptr;
  HGLRC context_ = nullptr;
};

TEST_F(WglTest, EachWindowHasOneStablePrivateDeviceContext) {
  EXPECT_EQ(GetDC(hwnd_), dc_);
  HWND other = CreateTestWindow("wgl other", kOverlappedVisible, 100, 100, 200, 200);
  ASSERT_NE(other, nullptr);
  HDC otherDc = GetDC(other);
  EXPECT_NE(otherDc, nullptr);
  EXPECT_NE(otherDc, dc_);
  EXPECT_EQ(GetDC(other), otherDc);
  EXPECT_EQ(GetDC(nullptr), nullptr);
  EXPECT_EQ(GetDC(reinterpret_cast<HWND>(0x7fff)), nullptr);
  DefWindowProcA(other, WM_CLOSE, 0, 0);
  EXPECT_EQ(GetDC(other), nullptr);
}

TEST_F(WglTest, RendererDescriptorGetsDoubleBufferedRgbWithTheDeepestDepth) {
  MakeRendererContext();
  GLint red, green, blue, depth;
  GLboolean doubleBuffer;
  glGetIntegerv(GL_RED_BITS, &red);
  glGetIntegerv(GL_GREEN_BITS, &green);
  glGetIntegerv(GL_BLUE_BITS, &blue);
  glGetIntegerv(GL_DEPTH_BITS, &depth);
  glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffer);
  EXPECT_EQ(red + green + blue, 24);
  EXPECT_EQ(depth, DeepestWindowDepth(user_.display()));
  EXPECT_TRUE(doubleBuffer);
  EXPECT_NE(glGetString(GL_VERSION), nullptr);
  EXPECT_EQ(glXGetCurrentContext() != nullptr, true);
}

TEST_F(WglTest, FixedFunctionDrawingReachesTheWindowOnSwap) {
  MakeRendererContext();
  glViewport(0, 0, 632, 453);
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 632, 0, 453, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glColor3f(0, 1, 0);
  glBegin(GL_QUADS);  // immediate mode: needs a compatibility context
  glVertex2f(0, 0);
  glVertex2f(100, 0);
  glVertex2f(100, 100);
  glVertex2f(0, 100);
  glEnd();
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
  ASSERT_TRUE(SwapBuffers(dc_));
  glFinish();

  unsigned long green = 0, red = 0;
  for (int i = 0; i < 100 && (green != 0x00FF00 || red != 0xFF0000); ++i) {
    green = PixelOnScreen(10, 452);  // the quad sits at the lower-left corner
    red = PixelOnScreen(300, 100);
    Sleep(5);
  }
  EXPECT_EQ(green, 0x00FF00u);
  EXPECT_EQ(red, 0xFF0000u);
}

TEST_F(WglTest, PixelFormatIsSetOnceAndMustSuitTheWindow) {
  PIXELFORMATDESCRIPTOR pfd = RendererDescriptor();
  int format = ChoosePixelFormat(dc_, &pfd);
  ASSERT_GT(format, 0);
  EXPECT_EQ(wglCreateContext(dc_), nullptr) << "no context before the pixel format";
  EXPECT_FALSE(SetPixelFormat(dc_, 0, &pfd));
  EXPECT_FALSE(SetPixelFormat(dc_, 1 << 20, &pfd));
  // Another format, for another visual, cannot be shown by this window.
  testing::internal::CaptureStderr();
  EXPECT_FALSE(SetPixelFormat(dc_, format == 1 ? 2 : 1, &pfd));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("glx: "), std::string::npos);

  EXPECT_TRUE(SetPixelFormat(dc_, format, &pfd));
  EXPECT_TRUE(SetPixelFormat(dc_, format, &pfd)) << "the same format again is harmless";
  EXPECT_EQ(ChoosePixelFormat(dc_, &pfd), format);
  EXPECT_EQ(ChoosePixelFormat(nullptr, &pfd), 0);
}

TEST_F(WglTest, ReleasingAndDeletingContexts) {
  MakeRendererContext();
  EXPECT_TRUE(wglMakeCurrent(dc_, nullptr));
  EXPECT_EQ(glXGetCurrentContext(), nullptr);
  EXPECT_TRUE(wglMakeCurrent(dc_, context_));
  EXPECT_NE(glXGetCurrentContext(), nullptr);
  EXPECT_TRUE(wglDeleteContext(context_)) << "deleting the current context releases it";
  EXPECT_EQ(glXGetCurrentContext(), nullptr);
  EXPECT_FALSE(wglDeleteContext(context_)) << "a stale context handle is refused";
  EXPECT_FALSE(wglMakeCurrent(dc_, context_));
  EXPECT_FALSE(wglMakeCurrent(nullptr, reinterpret_cast<HGLRC>(0x7fff)));
  context_ = nullptr;
}

TEST_F(WglTest, FramesAfterTheWindowIsDestroyedAreHarmless) {
  MakeRendererContext();
  Window xwindow = user_.FindByName("wgl");
  testing::internal::CaptureStderr();

  DefWindowProcA(hwnd_, WM_CLOSE, 0, 0);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(user_.FindByName("wgl"), xwindow) << "kept while the context draws to it";
  EXPECT_FALSE(user_.IsMapped(xwindow));
  for (int frame = 0; frame < 3; ++frame) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    EXPECT_FALSE(SwapBuffers(dc_));
  }
  EXPECT_TRUE(wglMakeCurrent(dc_, nullptr));
  EXPECT_EQ(user_.FindByName("wgl"), 0u) << "gone once the context lets go";
  EXPECT_TRUE(wglDeleteContext(context_));
  EXPECT_FALSE(SwapBuffers(dc_));
  context_ = nullptr;

  XSync(user_.display(), False);
  Settle(20);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "no X or GLX errors";
}

}  // namespace
