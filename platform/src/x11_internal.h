// What the user32 (x11_*) and gdi/wgl (wgl_glx, glx_*) files share: the
// display connection, the handle tables, the window records, the message queue
// and the GLX pixel formats. Only files under platform/src include it.
#pragma once

#include <windows.h>

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace x11 {

// ---- display (x11_display.cpp) --------------------------------------------
// Opens the connection on first use; null when no X display can be opened.
// Callers that want to report the failure themselves use TryOpenDisplay.
Display* GetDisplay();
Display* TryOpenDisplay();
Window RootWindowOf();
// True when the X server is Xwayland (a Wayland compositor's X server).
bool OnXwayland();

struct Atoms {
  Atom wmProtocols;
  Atom wmDeleteWindow;
  Atom netWmPid;
  Atom netWmName;
  Atom utf8String;
};
const Atoms& GetAtoms();

// Platform trouble on stderr, one line with the given prefix ("x11", "glx").
void Report(const char* prefix, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Catches X errors from the calls made while it lives, so a bad window or
// drawable becomes a failed call instead of a dead process.
class ErrorTrap {
 public:
  ErrorTrap();
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  // Waits for the server to answer everything sent so far (XSync) and
  // returns the first error code caught, 0 if none.
  int Finish();

 private:
  int m_previousCode;
  bool m_finished;
};

// True when the process may open no further file descriptor (ulimit -n).
bool AtDescriptorLimit();

// Every handle of every kind comes from one counter and is never reused, so
// a stale or mistyped handle never finds another object.
uintptr_t NewHandle();

// Milliseconds of a monotonic clock, for MSG.time.
DWORD TickCount();

// ---- window classes and stock resources (x11_class.cpp) --------------------
struct ClassRecord {
  std::string name;
  WNDPROC proc;
  HCURSOR cursor;
};
// A registered class by its name, in any case.
const ClassRecord* FindClass(LPCSTR name);
// The X cursor of a stock cursor handle, made when first used; 0 for none.
Cursor XCursorFor(HCURSOR handle);

// ---- windows (x11_window.cpp) ----------------------------------------------
enum class WindowState { kLive, kDestroying, kDestroyed };

struct WindowRecord {
  HWND handle = nullptr;
  WindowState state = WindowState::kLive;
  Window xwindow = 0;  // the client area; 0 once the X window is gone
  Colormap colormap = 0;
  VisualID visual = 0;
  WNDPROC proc = nullptr;
  bool needsPaint = false;
  bool iconic = false;  // unmapped by the window manager (minimised)
  // Where the client area was asked to stand and where it really is on the
  // screen: window managers and compositors place windows themselves. The
  // program's screen coordinates are the real ones less the difference.
  int homeX = 0, homeY = 0;
  int originX = 0, originY = 0;
  HDC dc = nullptr;     // the private device context, made by the first GetDC
  int pixelFormat = 0;  // set once by SetPixelFormat, 1-based
};

// A window that can take messages: live, or inside its WM_DESTROY.
WindowRecord* FindWindow(HWND handle);
// Any window ever created, destroyed ones included.
WindowRecord* FindWindowRecord(HWND handle);
WindowRecord* FindWindowByX(Window xwindow);
// Handles of the live windows, a copy: window procedures may create or
// destroy windows while the caller walks it.
std::vector<HWND> LiveWindows();
// Neither allocates: PeekMessageA asks on every pass of the main loop.
bool AnyLiveWindow();
HWND WindowNeedingPaint(HWND only);  // only: null for any window

// Calls the window procedure now, as SendMessage does; 0 for a bad window.
LRESULT SendToWindow(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
// Destroys the window the Win32 way: hidden, deactivated, WM_DESTROY sent.
void DestroyWindowNow(HWND handle);
// The X window of a destroyed window lives on while a GL context is bound
// to it; the GL side calls this once the context lets go.
void ReleaseDestroyedXWindow(WindowRecord& window);
// The window takes or loses the keyboard focus, which makes it the
// foreground window; only then does the pointer belong to the program.
void NoteFocus(WindowRecord& window, bool focused);
// The active window with an X window, whose position maps the program's
// screen coordinates to the real ones; null when there is none.
WindowRecord* CursorWindow();
// The X window was destroyed by someone else (another client, the WM).
void OnXWindowGone(WindowRecord& window);

// ---- message queue (x11_queue.cpp) -----------------------------------------
// The context bit of a key message: Alt was held.
const LPARAM kAltHeld = 1L << 29;
// What TranslateMessage posts for a key press: its characters in the ANSI
// code page, as WM_CHAR, or as WM_DEADCHAR for a dead key.
struct KeyCharacters {
  char text[8] = {};
  int count = 0;
  bool dead = false;
};
// Hardware input, in arrival order; a key press carries its characters.
void QueueInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, int rootX, int rootY,
                const KeyCharacters& characters = KeyCharacters());
// Messages posted to the window, taken before input.
void PostToWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Drops every queued message of a window that is going away.
void ForgetWindowMessages(HWND hwnd);

// ---- X events (x11_events.cpp) ---------------------------------------------
// Turns every X event already received into messages.
void PumpEvents();
void ResetKeyboardState();

// ---- cursor (x11_cursor.cpp) ----------------------------------------------
// Every event handled passes here: crossings and motion tell where the pointer is.
void NotePointerEvent(const XEvent& event);
// Under Xwayland the cursor is hidden while the program steers, since only
// then does it turn warps into relative motion.
void ShowCursorFor(WindowRecord& window, bool steering);

// ---- keyboard (x11_keys.cpp) -----------------------------------------------
UINT VirtualKeyFromKeysym(KeySym keysym);
// Sets the character type locale the input method needs (the user's if it is
// UTF-8, else C.UTF-8) and opens it; once, with the display.
void OpenInputMethod(Display* display);
// The characters of a key press, looked up as it arrives (a key mapped for a
// moment by a remapper may be unmapped by the time TranslateMessage runs).
// The press goes through the input method first, which may take the next
// event, the text of a composition the press completes.
KeyCharacters CharactersForKey(XKeyEvent& event);

// ---- close signals (x11_signals.cpp) ---------------------------------------
// SIGINT, SIGTERM and SIGHUP ask every window to close instead of killing the process.
void InstallCloseSignals();
// True once per signal received since the last call.
bool TakeCloseRequest();

// ---- GLX (glx_formats.cpp, wgl_glx.cpp) -------------------------------------
struct PixelFormat {
  GLXFBConfig config;
  VisualID visual;  // 0 when the config has no X visual (no window drawing)
  int visualDepth;
  bool drawToWindow, doubleBuffer, rgba, slow;
  int colorBits, alphaBits, depthBits, stencilBits, accumBits, samples;
};

// The GLX configs of the screen, in the server's order; pixel format n is
// element n-1. Empty when the server has no GLX.
const PixelFormat* GetPixelFormat(int index);
// The closest format for a descriptor. With a window's visual given, only a
// format of that visual; 0, reported, when another visual would meet the
// request better. 0 when nothing fits.
int ChooseFormat(const PIXELFORMATDESCRIPTOR& request, VisualID windowVisual);
// The format every new window is created for: the closest to kPixelFormat
// (platform/PixelFormat.h). 0 without GLX.
int WindowFormat();

// True while the thread's current GL context draws to this X window.
bool IsDrawableBound(Window xwindow);
void ForgetDeviceContext(HDC dc);

}  // namespace x11
