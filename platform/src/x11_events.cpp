// X events to window messages, one small handler per event kind. Keys and
// moves become queued messages; focus, minimising and the window's real
// position are noted for the cursor and the foreground window.
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstring>

#include "x11_internal.h"

namespace x11 {
namespace {

const LPARAM kWasDown = 1L << 30;
const LPARAM kReleased = 1L << 31;

// Which keys are down, for the previous-state bit of key messages.
bool g_keyDown[256];

bool IsAltKey(KeySym keysym) {
  return keysym == XK_Alt_L || keysym == XK_Alt_R || keysym == XK_Meta_L || keysym == XK_Meta_R;
}

// The keysym that names the key for its virtual-key code: the unshifted
// one, except on the keypad, where Num Lock decides (VK_NUMPAD0 or VK_INSERT).
KeySym KeysymForVirtualKey(XKeyEvent& event) {
  KeySym keysym = XLookupKeysym(&event, 0);
  if (!IsKeypadKey(keysym)) return keysym;
  KeySym withState = NoSymbol;
  char ignored[8];
  XLookupString(&event, ignored, sizeof ignored, &withState, nullptr);
  return withState != NoSymbol ? withState : keysym;
}

// Key messages carry: repeat count 1, the X keycode as the scan code, and the
// Alt, previous-state and transition bits. Alt (without Ctrl) makes them
// system keys, as does F10.
void OnKey(XKeyEvent& event, bool press) {
  WindowRecord* window = FindWindowByX(event.window);
  if (!window) return;
  KeySym keysym = KeysymForVirtualKey(event);
  bool alt = (event.state & Mod1Mask) || IsAltKey(keysym);
  bool system = (alt && !(event.state & ControlMask)) || keysym == XK_F10;
  unsigned int keycode = event.keycode & 0xFF;

  LPARAM lParam = 1 | ((LPARAM)keycode << 16);
  if (alt) lParam |= kAltHeld;
  if (press) {
    if (g_keyDown[keycode]) lParam |= kWasDown;
  } else {
    lParam |= kWasDown | kReleased;
  }
  g_keyDown[keycode] = press;

  UINT message = press ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  QueueInput(window->handle, message, VirtualKeyFromKeysym(keysym), lParam, event.x_root,
             event.y_root, press ? CharactersForKey(event) : KeyCharacters());
}

void OnMotion(XMotionEvent& event) {
  WindowRecord* window = FindWindowByX(event.window);
  if (!window) return;
  // The program reads neither the buttons nor the keys held with a move.
  QueueInput(window->handle, WM_MOUSEMOVE, 0, MAKELPARAM(event.x, event.y), event.x_root,
             event.y_root);
}

void OnExpose(XExposeEvent& event) {
  WindowRecord* window = FindWindowByX(event.window);
  if (window) window->needsPaint = true;
}

// Asks the server where the window stands; with a window manager the
// events' positions are relative to its frame.
void UpdateOrigin(WindowRecord& window) {
  if (!window.xwindow) return;
  int x = 0, y = 0;
  Window child;
  ErrorTrap trap;
  XTranslateCoordinates(GetDisplay(), window.xwindow, RootWindowOf(), 0, 0, &x, &y, &child);
  if (trap.Finish() != 0) return;
  window.originX = x;
  window.originY = y;
}

// Every pointer and key event from the server tells where the window
// stands, at no cost.
template <typename PointerEvent>
void NoteOrigin(const PointerEvent& event) {
  WindowRecord* window = FindWindowByX(event.window);
  if (!window || event.send_event || !event.same_screen) return;
  window->originX = event.x_root - event.x;
  window->originY = event.y_root - event.y;
}

// A move, resize or new parent (a window manager's frame) may move the
// window on the screen. The program's viewport is fixed: no WM_SIZE.
void OnPlacement(Window xwindow) {
  WindowRecord* window = FindWindowByX(xwindow);
  if (window && window->state == WindowState::kLive) UpdateOrigin(*window);
}

// A window manager minimises a window by unmapping it; DestroyWindow's own
// unmap comes after the window has stopped being live.
void OnMapChange(Window xwindow, bool mapped) {
  WindowRecord* window = FindWindowByX(xwindow);
  if (!window || window->state != WindowState::kLive) return;
  window->iconic = !mapped;
  if (mapped) UpdateOrigin(*window);
}

void OnClientMessage(XClientMessageEvent& event) {
  WindowRecord* window = FindWindowByX(event.window);
  if (!window || event.message_type != GetAtoms().wmProtocols || event.format != 32) return;
  if ((Atom)event.data.l[0] == GetAtoms().wmDeleteWindow) {
    PostToWindow(window->handle, WM_CLOSE, 0, 0);
  }
}

// The focus that follows the pointer (PointerRoot) does not make a window
// the foreground one, and a keyboard grab (a window manager's switcher) does
// not take it away until the focus really moves.
void OnFocusChange(XFocusChangeEvent& event, bool in) {
  if (!in) ResetKeyboardState();  // keys released elsewhere are never seen
  WindowRecord* window = FindWindowByX(event.window);
  if (!window || event.detail == NotifyPointer || event.detail == NotifyInferior) return;
  if (!in && event.mode == NotifyGrab) return;
  NoteFocus(*window, in);
}

void OnDestroyNotify(XDestroyWindowEvent& event) {
  WindowRecord* window = FindWindowByX(event.window);
  if (window) OnXWindowGone(*window);
}

void HandleEvent(XEvent& event) {
  NotePointerEvent(event);
  switch (event.type) {
    case KeyPress:
    case KeyRelease:
      NoteOrigin(event.xkey);
      OnKey(event.xkey, event.type == KeyPress);
      break;
    case MotionNotify:
      NoteOrigin(event.xmotion);
      OnMotion(event.xmotion);
      break;
    case EnterNotify:
    case LeaveNotify:
      NoteOrigin(event.xcrossing);
      break;
    case Expose:
      OnExpose(event.xexpose);
      break;
    case ConfigureNotify:
    case ReparentNotify:
      OnPlacement(event.xany.window);
      break;
    case ClientMessage:
      OnClientMessage(event.xclient);
      break;
    case FocusIn:
    case FocusOut:
      OnFocusChange(event.xfocus, event.type == FocusIn);
      break;
    case MapNotify:
    case UnmapNotify:
      OnMapChange(event.xany.window, event.type == MapNotify);
      break;
    case DestroyNotify:
      OnDestroyNotify(event.xdestroywindow);
      break;
    case MappingNotify:
      XRefreshKeyboardMapping(&event.xmapping);
      break;
    default:
      break;
  }
}

}  // namespace

void PumpEvents() {
  Display* display = GetDisplay();
  if (!display) return;
  // XPending reads what has arrived without blocking.
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    HandleEvent(event);
  }
}

void ResetKeyboardState() { memset(g_keyDown, 0, sizeof g_keyDown); }

}  // namespace x11
