// The least a program of ours does before its first frame, written like the
// demo against the Win32 subset: registers a class, creates the 640x480
// window, makes a GL context for it the way the renderer does, clears and
// swaps. The start-up benchmark's yardstick for skelv: the same platform
// layer, the same process entry, none of the demo's own work.
#include "base/Platform.h"
#include "platform/PixelFormat.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_OWNDC;
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "bare_gl";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "bare_gl", "bare_gl", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                640, 480, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  HDC dc = GetDC(window);
  SetPixelFormat(dc, ChoosePixelFormat(dc, &kPixelFormat), &kPixelFormat);
  HGLRC context = wglCreateContext(dc);
  wglMakeCurrent(dc, context);
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  SwapBuffers(dc);
  wglMakeCurrent(dc, nullptr);
  wglDeleteContext(context);
  return 0;
}
