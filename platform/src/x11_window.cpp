// user32 windows on Xlib: CreateWindowExA, destruction, the default window
// procedure, the window's user data and the active window.
// Each window is one top-level X window that is its client area; frames and
// captions are the window manager's. No child windows, menus or extra bytes.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <memory>

#include "x11_internal.h"

namespace x11 {
namespace {

// Frame widths of the Windows classic metrics, which Wine reports too.
const int kThickFrame = 4;   // SM_CXFRAME: resizable windows
const int kDialogFrame = 3;  // SM_CXDLGFRAME: captioned or dialog-framed windows
const int kBorder = 1;       // SM_CXBORDER
const int kCaption = 19;     // SM_CYCAPTION
const int kMapTimeoutMs = 2000;

std::map<uintptr_t, std::unique_ptr<WindowRecord>> g_windows;
HWND g_activeWindow = nullptr;
HWND g_foregroundWindow = nullptr;  // the window with the keyboard focus

// The frame and caption around the client area for a window style, as
// AdjustWindowRect computes them: left, top, right, bottom.
struct Insets {
  int left, top, right, bottom;
};

Insets FrameInsets(DWORD style) {
  int frame = 0;
  if (style & WS_THICKFRAME) {
    frame = kThickFrame;
  } else if (style & WS_DLGFRAME) {
    frame = kDialogFrame;  // WS_CAPTION includes WS_DLGFRAME
  } else if (style & WS_BORDER) {
    frame = kBorder;
  }
  int caption = (style & WS_CAPTION) == WS_CAPTION ? kCaption : 0;
  return {frame, frame + caption, frame, frame};
}

void SetWindowNames(Display* display, Window xwindow, const char* title, const char* className) {
  // The program's title is ASCII, which WM_NAME (Latin-1) and _NET_WM_NAME
  // (UTF-8) hold alike.
  XStoreName(display, xwindow, title);
  XChangeProperty(display, xwindow, GetAtoms().netWmName, GetAtoms().utf8String, 8, PropModeReplace,
                  (const unsigned char*)title, (int)strlen(title));

  // The hints only help a window manager: without memory for one it is left out.
  XClassHint* classHint = XAllocClassHint();
  if (!classHint) return;
  classHint->res_name = program_invocation_short_name;
  classHint->res_class = (char*)className;
  XSetClassHint(display, xwindow, classHint);
  XFree(classHint);
}

// Asks a window manager to put the frame's top-left corner at the position
// Windows was given, and to keep the size fixed when there is no sizing frame.
void SetPlacementHints(Display* display, Window xwindow, int x, int y, int width, int height,
                       DWORD style) {
  if (XSizeHints* size = XAllocSizeHints()) {  // null: no memory, no hint
    size->flags = PPosition | USPosition | PWinGravity;
    size->x = x;
    size->y = y;
    size->win_gravity = NorthWestGravity;
    if (!(style & WS_THICKFRAME)) {
      size->flags |= PMinSize | PMaxSize;
      size->min_width = size->max_width = width;
      size->min_height = size->max_height = height;
    }
    XSetWMNormalHints(display, xwindow, size);
    XFree(size);
  }
  if (XWMHints* hints = XAllocWMHints()) {
    hints->flags = InputHint | StateHint;
    hints->input = True;
    hints->initial_state = NormalState;
    XSetWMHints(display, xwindow, hints);
    XFree(hints);
  }
}

void SetProtocols(Display* display, Window xwindow) {
  Atom deleteWindow = GetAtoms().wmDeleteWindow;
  XSetWMProtocols(display, xwindow, &deleteWindow, 1);
  long pid = (long)getpid();
  XChangeProperty(display, xwindow, GetAtoms().netWmPid, XA_CARDINAL, 32, PropModeReplace,
                  (const unsigned char*)&pid, 1);
}

// Creates the X window that is the client area, with the visual of the
// format every window is made for, so GL can render to it later.
Window CreateXWindow(Display* display, int x, int y, int width, int height, WindowRecord& record) {
  Visual* visual = DefaultVisual(display, DefaultScreen(display));
  int depth = DefaultDepth(display, DefaultScreen(display));
  const PixelFormat* format = GetPixelFormat(WindowFormat());
  XVisualInfo* info = format ? glXGetVisualFromFBConfig(display, format->config) : nullptr;
  if (info) {
    visual = info->visual;
    depth = info->depth;
  }
  record.visual = XVisualIDFromVisual(visual);

  XSetWindowAttributes attributes = {};
  attributes.colormap = XCreateColormap(display, RootWindowOf(), visual, AllocNone);
  attributes.background_pixmap = None;  // no background brush: nothing is erased
  attributes.border_pixel = 0;
  attributes.event_mask = KeyPressMask | KeyReleaseMask | PointerMotionMask | EnterWindowMask |
                          LeaveWindowMask | ExposureMask | StructureNotifyMask | FocusChangeMask;
  record.colormap = attributes.colormap;

  ErrorTrap trap;
  Window xwindow = XCreateWindow(
      display, RootWindowOf(), x, y, (unsigned)width, (unsigned)height, 0, depth, InputOutput,
      visual, CWColormap | CWBackPixmap | CWBorderPixel | CWEventMask, &attributes);
  if (info) XFree(info);
  if (trap.Finish() != 0) {
    Report("x11", "cannot create a %dx%d window", width, height);
    XFreeColormap(display, record.colormap);
    record.colormap = 0;
    return 0;
  }
  return xwindow;
}

// Maps the window and waits until it is viewable, so that GL and input
// focus work as soon as CreateWindowExA returns.
void MapAndWait(Display* display, Window xwindow) {
  XMapWindow(display, xwindow);
  XFlush(display);
  DWORD deadline = TickCount() + kMapTimeoutMs;
  XEvent event;
  while (!XCheckTypedWindowEvent(display, xwindow, MapNotify, &event)) {
    int left = (int)(deadline - TickCount());
    if (left <= 0) {
      Report("x11", "window 0x%lx was not mapped within %d ms", xwindow, kMapTimeoutMs);
      return;
    }
    pollfd connection = {ConnectionNumber(display), POLLIN, 0};
    poll(&connection, 1, left < 10 ? left : 10);
  }
}

// A new visible window is activated and brought to the foreground, as
// Windows does; with no window manager (Xvfb) nobody else would give it the
// keyboard. A window manager that gives the focus elsewhere says so later.
void Activate(Display* display, WindowRecord& window) {
  ErrorTrap trap;
  XSetInputFocus(display, window.xwindow, RevertToParent, CurrentTime);
  trap.Finish();
  NoteFocus(window, true);
}

WindowRecord* NewWindowRecord(const ClassRecord& windowClass) {
  auto record = std::make_unique<WindowRecord>();
  record->handle = (HWND)NewHandle();
  record->proc = windowClass.proc;
  WindowRecord* window = record.get();
  g_windows[(uintptr_t)window->handle] = std::move(record);
  return window;
}

void DestroyXWindow(WindowRecord& window) {
  Display* display = GetDisplay();
  ErrorTrap trap;
  if (window.xwindow) XDestroyWindow(display, window.xwindow);
  if (window.colormap) XFreeColormap(display, window.colormap);
  trap.Finish();
  window.xwindow = 0;
  window.colormap = 0;
}

bool IsLive(const WindowRecord* window) {
  return window && window->state != WindowState::kDestroyed;
}

}  // namespace

WindowRecord* FindWindowRecord(HWND handle) {
  auto found = g_windows.find((uintptr_t)handle);
  return found == g_windows.end() ? nullptr : found->second.get();
}

WindowRecord* FindWindow(HWND handle) {
  WindowRecord* window = FindWindowRecord(handle);
  return IsLive(window) ? window : nullptr;
}

WindowRecord* FindWindowByX(Window xwindow) {
  for (auto& entry : g_windows) {
    if (entry.second->xwindow == xwindow && IsLive(entry.second.get())) return entry.second.get();
  }
  return nullptr;
}

std::vector<HWND> LiveWindows() {
  std::vector<HWND> handles;
  for (auto& entry : g_windows) {
    if (entry.second->state == WindowState::kLive) handles.push_back(entry.second->handle);
  }
  return handles;
}

bool AnyLiveWindow() {
  for (auto& entry : g_windows) {
    if (entry.second->state == WindowState::kLive) return true;
  }
  return false;
}

HWND WindowNeedingPaint(HWND only) {
  for (auto& entry : g_windows) {
    const WindowRecord& window = *entry.second;
    if (window.state != WindowState::kLive || !window.needsPaint) continue;
    if (!only || window.handle == only) return window.handle;
  }
  return nullptr;
}

LRESULT SendToWindow(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* window = FindWindow(handle);
  if (!window || !window->proc) return 0;
  WNDPROC proc = window->proc;  // the record may go while the procedure runs
  return proc(handle, message, wParam, lParam);
}

void DestroyWindowNow(HWND handle) {
  WindowRecord* window = FindWindow(handle);
  if (!window || window->state != WindowState::kLive) return;
  window->state = WindowState::kDestroying;
  if (window->xwindow) {
    ErrorTrap trap;
    XUnmapWindow(GetDisplay(), window->xwindow);
    trap.Finish();
  }
  if (g_activeWindow == handle) g_activeWindow = nullptr;
  if (g_foregroundWindow == handle) {
    ShowCursorFor(*window, false);
    g_foregroundWindow = nullptr;
  }

  SendToWindow(handle, WM_DESTROY, 0, 0);

  window = FindWindowRecord(handle);
  window->state = WindowState::kDestroyed;
  window->needsPaint = false;
  ForgetWindowMessages(handle);
  // NOTE: frames may still be drawn between WM_DESTROY and WM_QUIT; while a
  // GL context draws to the X window it stays, unmapped, until released.
  if (!IsDrawableBound(window->xwindow)) ReleaseDestroyedXWindow(*window);
}

void ReleaseDestroyedXWindow(WindowRecord& window) {
  if (window.state != WindowState::kDestroyed) return;
  DestroyXWindow(window);
  if (window.dc) {
    ForgetDeviceContext(window.dc);
    window.dc = nullptr;
  }
}

void OnXWindowGone(WindowRecord& window) {
  window.xwindow = 0;  // nothing left to unmap or destroy but the colormap
  DestroyWindowNow(window.handle);
}

void NoteFocus(WindowRecord& window, bool focused) {
  if (window.state != WindowState::kLive) return;
  if (focused) {
    g_activeWindow = window.handle;
    g_foregroundWindow = window.handle;
  } else if (g_foregroundWindow == window.handle) {
    g_foregroundWindow = nullptr;
  }
  ShowCursorFor(window, focused);
}

WindowRecord* CursorWindow() {
  WindowRecord* window = FindWindow(g_activeWindow);
  return window && window->xwindow ? window : nullptr;
}

}  // namespace x11

using namespace x11;

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam) {
  // No child windows or menus: the program makes top-level windows only.
  const ClassRecord* windowClass = lpClassName ? FindClass(lpClassName) : nullptr;
  if (!windowClass) return nullptr;
  Display* display = GetDisplay();
  if (!display) return nullptr;
  // Before the window shows: a signal from then on is a close request.
  InstallCloseSignals();

  Insets insets = FrameInsets(dwStyle);
  int width = nWidth - insets.left - insets.right;
  int height = nHeight - insets.top - insets.bottom;
  width = width < 1 ? 1 : width;
  height = height < 1 ? 1 : height;

  WindowRecord* window = NewWindowRecord(*windowClass);
  HWND handle = window->handle;
  window->xwindow = CreateXWindow(display, X, Y, width, height, *window);
  if (!window->xwindow) {
    window->state = WindowState::kDestroyed;
    return nullptr;
  }
  window->homeX = window->originX = X;
  window->homeY = window->originY = Y;
  const char* title = lpWindowName ? lpWindowName : "";
  SetWindowNames(display, window->xwindow, title, windowClass->name.c_str());
  SetPlacementHints(display, window->xwindow, X, Y, width, height, dwStyle);
  SetProtocols(display, window->xwindow);
  if (Cursor cursor = XCursorFor(windowClass->cursor)) {
    XDefineCursor(display, window->xwindow, cursor);
  }

  CREATESTRUCTA create = {lpParam, hInstance, hMenu,         hWndParent,   nHeight,     nWidth,
                          Y,       X,         (LONG)dwStyle, lpWindowName, lpClassName, dwExStyle};
  // The program's windows neither refuse WM_CREATE nor handle their size or
  // position (WM_SIZE, WM_MOVE), and are all made visible.
  SendToWindow(handle, WM_CREATE, 0, (LPARAM)&create);
  window = FindWindow(handle);  // its procedure may have destroyed it
  if (!window) return nullptr;
  MapAndWait(display, window->xwindow);
  Activate(display, *window);
  return handle;
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  WindowRecord* window = FindWindow(hWnd);
  if (!window) return 0;
  switch (Msg) {
    case WM_CLOSE:
      DestroyWindowNow(hWnd);
      return 0;
    case WM_SYSKEYDOWN:
      // Alt+F4 closes the window; the context bit says Alt is held.
      if (wParam == VK_F4 && (lParam & kAltHeld)) SendToWindow(hWnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_PAINT:
      window->needsPaint = false;  // validated; nothing is drawn
      return 0;
    default:
      return 0;
  }
}

// The program keeps its window object there but never reads it back, nor the
// previous value: nothing is kept.
LONG_PTR WINAPI SetWindowLongPtrA(HWND, int, LONG_PTR) { return 0; }

HWND WINAPI GetActiveWindow(void) { return FindWindow(g_activeWindow) ? g_activeWindow : nullptr; }

HWND WINAPI GetForegroundWindow(void) {
  return FindWindow(g_foregroundWindow) ? g_foregroundWindow : nullptr;
}

BOOL WINAPI IsIconic(HWND hWnd) {
  WindowRecord* window = FindWindow(hWnd);
  return window && window->iconic;
}
