// GDI device contexts and WGL rendering contexts on GLX. Every window has
// one private DC (as with CS_OWNDC); its pixel format is set once and must be
// one the window's visual can show. Contexts are GLX legacy contexts, which
// Mesa gives as compatibility profiles, so the fixed-function pipeline works.
// Not here: memory DCs, ReleaseDC, shared display lists, layer planes.
#include <map>

#include "first_frame.h"
#include "x11_internal.h"

namespace x11 {
namespace {

struct RenderingContext {
  GLXContext context;
  int pixelFormat;
};

std::map<uintptr_t, HWND> g_deviceContexts;  // DC -> its window
std::map<uintptr_t, RenderingContext> g_contexts;

// The thread's current context and the window it draws to.
HGLRC g_current = nullptr;
HWND g_currentWindow = nullptr;
Window g_currentDrawable = 0;

// The window of a device context, destroyed windows included.
WindowRecord* WindowOfDC(HDC dc) {
  auto found = g_deviceContexts.find((uintptr_t)dc);
  return found == g_deviceContexts.end() ? nullptr : FindWindowRecord(found->second);
}

WindowRecord* LiveWindowOfDC(HDC dc) {
  WindowRecord* window = WindowOfDC(dc);
  return window ? FindWindow(window->handle) : nullptr;
}

RenderingContext* FindContext(HGLRC handle) {
  auto found = g_contexts.find((uintptr_t)handle);
  return found == g_contexts.end() ? nullptr : &found->second;
}

// A destroyed window keeps its X window until no context draws to it.
void ReleaseIfDestroyed(HWND handle) {
  WindowRecord* window = FindWindowRecord(handle);
  if (window && window->state == WindowState::kDestroyed) ReleaseDestroyedXWindow(*window);
}

void ReleaseCurrent() {
  if (!g_current) return;
  ErrorTrap trap;
  glXMakeCurrent(GetDisplay(), None, nullptr);
  if (trap.Finish() != 0) Report("glx", "releasing the current context failed");
  HWND previous = g_currentWindow;
  g_current = nullptr;
  g_currentWindow = nullptr;
  g_currentDrawable = 0;
  ReleaseIfDestroyed(previous);
}

}  // namespace

bool IsDrawableBound(Window xwindow) {
  return xwindow != 0 && g_current && g_currentDrawable == xwindow;
}

void ForgetDeviceContext(HDC dc) { g_deviceContexts.erase((uintptr_t)dc); }

}  // namespace x11

using namespace x11;

HDC WINAPI GetDC(HWND hWnd) {
  WindowRecord* window = FindWindow(hWnd);
  if (!window) return nullptr;
  if (!window->dc) {
    window->dc = (HDC)NewHandle();
    g_deviceContexts[(uintptr_t)window->dc] = hWnd;
  }
  return window->dc;
}

int WINAPI ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR* ppfd) {
  WindowRecord* window = LiveWindowOfDC(hdc);
  if (!window || !ppfd) return 0;
  return ChooseFormat(*ppfd, window->visual);
}

BOOL WINAPI SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR*) {
  WindowRecord* window = LiveWindowOfDC(hdc);
  const PixelFormat* pixelFormat = GetPixelFormat(format);
  if (!window || !pixelFormat) return FALSE;
  // A window's pixel format is set once; setting the same one again is harmless.
  if (window->pixelFormat) return window->pixelFormat == format;
  if (pixelFormat->visual != window->visual) {
    Report("glx", "pixel format %d does not suit the visual of window %d", format,
           (int)(uintptr_t)window->handle);
    return FALSE;
  }
  window->pixelFormat = format;
  return TRUE;
}

HGLRC WINAPI wglCreateContext(HDC hdc) {
  WindowRecord* window = LiveWindowOfDC(hdc);
  if (!window || !window->pixelFormat) return nullptr;
  ErrorTrap trap;
  GLXContext context = glXCreateNewContext(
      GetDisplay(), GetPixelFormat(window->pixelFormat)->config, GLX_RGBA_TYPE, nullptr, True);
  GlDriverLoaded();
  if (trap.Finish() != 0 || !context) {
    Report("glx", "cannot create an OpenGL context for pixel format %d", window->pixelFormat);
    return nullptr;
  }
  HGLRC handle = (HGLRC)NewHandle();
  g_contexts[(uintptr_t)handle] = {context, window->pixelFormat};
  return handle;
}

BOOL WINAPI wglMakeCurrent(HDC hdc, HGLRC hglrc) {
  if (!hglrc) {
    ReleaseCurrent();  // the DC does not matter when releasing
    return TRUE;
  }
  RenderingContext* context = FindContext(hglrc);
  WindowRecord* window = LiveWindowOfDC(hdc);
  if (!context || !window || !window->xwindow || window->pixelFormat != context->pixelFormat) {
    return FALSE;
  }
  ErrorTrap trap;
  Bool made = glXMakeCurrent(GetDisplay(), window->xwindow, context->context);
  if (trap.Finish() != 0 || !made) {
    Report("glx", "cannot make the OpenGL context current");
    return FALSE;
  }
  HWND previous = g_currentWindow;
  g_current = hglrc;
  g_currentWindow = window->handle;
  g_currentDrawable = window->xwindow;
  if (previous != window->handle) ReleaseIfDestroyed(previous);
  return TRUE;
}

BOOL WINAPI wglDeleteContext(HGLRC hglrc) {
  RenderingContext* context = FindContext(hglrc);
  if (!context) return FALSE;
  if (g_current == hglrc) ReleaseCurrent();
  ErrorTrap trap;
  glXDestroyContext(GetDisplay(), context->context);
  trap.Finish();
  g_contexts.erase((uintptr_t)hglrc);
  return TRUE;
}

BOOL WINAPI SwapBuffers(HDC hdc) {
  WindowRecord* window = WindowOfDC(hdc);
  // NOTE: frames drawn after the window's destruction end here, harmlessly.
  if (!window || window->state == WindowState::kDestroyed || !window->xwindow) return FALSE;
  if (!window->pixelFormat) return FALSE;
  glXSwapBuffers(GetDisplay(), window->xwindow);
  FirstFramePresented();
  return TRUE;
}
