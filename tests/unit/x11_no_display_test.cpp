// The window layer without an X display: every call fails cleanly, says why
// once on stderr, and nothing waits or crashes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "System/Platform.h"

namespace {

LRESULT CALLBACK NoProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST(X11NoDisplay, CallsFailCleanly) {
  unsetenv("DISPLAY");  // before anything opens the connection
  testing::internal::CaptureStderr();

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = NoProc;
  windowClass.lpszClassName = "SkelvNoDisplay";
  EXPECT_NE(RegisterClassA(&windowClass), 0) << "classes need no display";
  EXPECT_EQ(CreateWindowExA(0, "SkelvNoDisplay", "none", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                            640, 480, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  POINT point = {1, 2};
  EXPECT_FALSE(GetCursorPos(&point));
  EXPECT_FALSE(SetCursorPos(3, 4));
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetDC(GetActiveWindow()), nullptr);
  PIXELFORMATDESCRIPTOR pfd = {};
  EXPECT_EQ(ChoosePixelFormat(nullptr, &pfd), 0);
  EXPECT_EQ(wglCreateContext(nullptr), nullptr);
  EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr)) << "releasing nothing succeeds";
  EXPECT_FALSE(SwapBuffers(nullptr));

  std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(errors, "x11: cannot open display ''\n");
}

}  // namespace
