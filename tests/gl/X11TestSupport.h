// Helpers for testing the Win32 window layer against the real X server in
// DISPLAY: a window procedure that records what it gets, a second X
// connection that plays the user and the window manager (real key and
// button events through XTest, close requests, inspection), and waits that
// poll PeekMessageA, which itself never waits.
#pragma once

// gtest first: Xlib's None and Bool macros would break its declarations.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "System/Platform.h"

namespace x11test {

struct Received {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Everything RecordingProc was given, in order.
inline std::vector<Received>& Calls() {
  static std::vector<Received> calls;
  return calls;
}

inline bool WasCalledWith(UINT message) {
  for (const Received& call : Calls()) {
    if (call.message == message) return true;
  }
  return false;
}

// Records every call and behaves like the system's window procedure for the
// messages that matter here: WM_DESTROY posts the quit message, the rest
// goes to the default procedure.
inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Calls().push_back({hwnd, message, wParam, lParam});
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

const char kTestClass[] = "SkelvTestWindow";
const DWORD kOverlappedVisible = WS_OVERLAPPEDWINDOW | WS_VISIBLE;

inline void RegisterTestClass() {
  static bool done = false;
  if (done) return;
  WNDCLASSA windowClass = {};
  windowClass.style = CS_OWNDC;
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kTestClass;
  ASSERT_NE(RegisterClassA(&windowClass), 0);
  done = true;
}

inline HWND CreateTestWindow(const char* title, DWORD style = kOverlappedVisible, int x = 0,
                             int y = 0, int width = 640, int height = 480, void* param = nullptr) {
  RegisterTestClass();
  return CreateWindowExA(0, kTestClass, title, style, x, y, width, height, nullptr, nullptr,
                         nullptr, param);
}

inline void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Polls until a message in [first, last] waits in the queue (for any window).
inline bool WaitForMessage(UINT first, UINT last, int timeoutMs = 5000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  MSG msg;
  while (std::chrono::steady_clock::now() < deadline) {
    if (PeekMessageA(&msg, nullptr, first, last, PM_NOREMOVE)) return true;
    Sleep(2);
  }
  return false;
}

// Takes and dispatches messages until none has come for quietMs, so a test
// starts from an empty queue (first paint, focus, moves). Returns the count.
inline int Settle(int quietMs = 100) {
  int count = 0;
  auto quietSince = std::chrono::steady_clock::now();
  MSG msg;
  while (std::chrono::steady_clock::now() - quietSince < std::chrono::milliseconds(quietMs)) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ++count;
      if (msg.message != WM_QUIT) DispatchMessageA(&msg);
      quietSince = std::chrono::steady_clock::now();
    } else {
      Sleep(2);
    }
  }
  return count;
}

// Takes every waiting message without dispatching it.
inline std::vector<MSG> TakeAll() {
  std::vector<MSG> taken;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) taken.push_back(msg);
  return taken;
}

// A second client on the same server: the user's keyboard and mouse, the
// window manager's close button, and eyes on the windows.
class XUser {
 public:
  XUser() : display_(XOpenDisplay(nullptr)) {}
  ~XUser() {
    if (display_) XCloseDisplay(display_);
  }
  XUser(const XUser&) = delete;
  XUser& operator=(const XUser&) = delete;

  Display* display() const { return display_; }

  KeyCode Code(KeySym keysym) const { return XKeysymToKeycode(display_, keysym); }

  void Key(KeyCode code, bool press) {
    XTestFakeKeyEvent(display_, code, press, CurrentTime);
    XSync(display_, False);
  }

  // Presses the modifiers, taps the key, releases the modifiers.
  void Tap(KeySym keysym, std::initializer_list<KeySym> modifiers = {}) {
    for (KeySym modifier : modifiers) Key(Code(modifier), true);
    Key(Code(keysym), true);
    Key(Code(keysym), false);
    for (KeySym modifier : modifiers) Key(Code(modifier), false);
  }

  void Button(unsigned int button, bool press) {
    XTestFakeButtonEvent(display_, button, press, CurrentTime);
    XSync(display_, False);
  }

  void MoveTo(int x, int y) {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XSync(display_, False);
  }

  // The top-level window with this WM_NAME, 0 if none.
  Window FindByName(const std::string& name) {
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count);
    for (unsigned int i = 0; i < count && !found; ++i) {
      char* windowName = nullptr;
      if (XFetchName(display_, children[i], &windowName) && windowName) {
        if (name == windowName) found = children[i];
        XFree(windowName);
      }
    }
    if (children) XFree(children);
    return found;
  }

  bool IsMapped(Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, window, &attributes) &&
           attributes.map_state == IsViewable;
  }

  // The window manager's close button: WM_DELETE_WINDOW.
  void RequestClose(Window window) {
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSendEvent(display_, window, False, NoEventMask, &event);
    XSync(display_, False);
  }

 private:
  Display* display_;
};

}  // namespace x11test
