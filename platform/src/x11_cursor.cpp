// The cursor position in the program's screen coordinates: as if its window
// stood where it asked to be, since window managers and compositors place
// windows themselves and users move them. Inside, the position is kept in
// the real (root window) coordinates and mapped by the window's real
// position at the door. While the pointer
// is inside one of our windows its moves reach us as events, so GetCursorPos
// answers from them instead of a round trip, which costs a frame the wait and
// several allocations in Xlib. The events can stop without notice: another
// client that grabs the pointer on our own window (a window manager's button
// binding) sends no crossing event. So the events are trusted only once one
// has come since our last warp, and even then the server is asked now and
// then; outside our windows it is always asked.
#include <X11/extensions/Xfixes.h>

#include "x11_internal.h"

namespace x11 {
namespace {

// How often the server is asked while the events are trusted: every 100 ms,
// but at most every 10th call, so that most frames still make no round trip.
const DWORD kRecheckMs = 100;
const int kRecheckCalls = 10;

struct PointerState {
  bool inside = false;
  int x = 0, y = 0;
  unsigned long serial = 0;  // of our last warp: positions from before it are stale
  bool current = false;      // an event has come since that warp
};
PointerState g_settled;  // as of the events handled so far
DWORD g_lastQuery = 0;   // when the server was last asked
int g_callsSinceQuery = 0;

// Events apply in the order they came; a warp's own crossings come after it,
// so only the positions of older events are skipped.
void Apply(const XEvent& event, PointerState& state) {
  const bool current = event.xany.serial >= state.serial;
  if (current && (event.type == EnterNotify || event.type == MotionNotify)) state.current = true;
  switch (event.type) {
    case EnterNotify:
      state.inside = event.xcrossing.mode != NotifyGrab && event.xcrossing.same_screen;
      if (current) {
        state.x = event.xcrossing.x_root;
        state.y = event.xcrossing.y_root;
      }
      break;
    case LeaveNotify:
      state.inside = false;
      break;
    case MotionNotify:
      if (current) {
        state.x = event.xmotion.x_root;
        state.y = event.xmotion.y_root;
      }
      break;
    default:
      break;
  }
}

// Folds every event received but not yet handled into the state; takes none.
Bool FoldQueuedEvent(Display*, XEvent* event, XPointer state) {
  Apply(*event, *(PointerState*)state);
  return False;
}

// How far the active window stands from where it asked to be.
POINT Displacement() {
  const WindowRecord* window = CursorWindow();
  if (!window) return {0, 0};
  return {window->originX - window->homeX, window->originY - window->homeY};
}

// Whether the cursor is hidden (XFixes counts hides, so each is undone once).
bool g_hidden = false;

}  // namespace

void NotePointerEvent(const XEvent& event) { Apply(event, g_settled); }

// Xwayland emulates warps (as relative motion under a locked pointer) only
// while the cursor is hidden; XFixes hides it over every X client of the
// screen, which is the program's alone while it steers.
void ShowCursorFor(WindowRecord& window, bool steering) {
  Display* display = GetDisplay();
  if (!display || !window.xwindow || steering == g_hidden || !OnXwayland()) return;
  ErrorTrap trap;
  if (steering) {
    XFixesHideCursor(display, window.xwindow);
  } else {
    XFixesShowCursor(display, window.xwindow);
  }
  g_hidden = trap.Finish() == 0 ? steering : g_hidden;
}

}  // namespace x11

using namespace x11;

BOOL WINAPI GetCursorPos(LPPOINT lpPoint) {
  Display* display = GetDisplay();
  if (!lpPoint || !display) return FALSE;
  PointerState now = g_settled;
  XEvent unused;
  XCheckIfEvent(display, &unused, FoldQueuedEvent, (XPointer)&now);
  const bool recheck =
      ++g_callsSinceQuery >= kRecheckCalls && TickCount() - g_lastQuery >= kRecheckMs;
  const POINT moved = Displacement();
  if (now.inside && now.current && !recheck) {
    lpPoint->x = now.x - moved.x;
    lpPoint->y = now.y - moved.y;
    return TRUE;
  }
  g_lastQuery = TickCount();
  g_callsSinceQuery = 0;
  Window root, child;
  int rootX, rootY, x, y;
  unsigned int mask;
  // No error trap: the root window cannot go away. False: the pointer is on
  // another screen.
  if (!XQueryPointer(display, RootWindowOf(), &root, &child, &rootX, &rootY, &x, &y, &mask)) {
    return FALSE;
  }
  lpPoint->x = rootX - moved.x;
  lpPoint->y = rootY - moved.y;
  return TRUE;
}

BOOL WINAPI SetCursorPos(int X, int Y) {
  Display* display = GetDisplay();
  if (!display) return FALSE;
  const POINT moved = Displacement();
  const int x = X + moved.x, y = Y + moved.y;
  // A warp to where the events already put the pointer moves nothing and
  // brings no event: the position stays known. Otherwise it is not trusted
  // until an event about the warp, or a move after it, comes: those carry
  // the warp's serial or a later one. The server keeps the pointer on the
  // screen, as Windows clips it.
  g_settled.current = g_settled.current && g_settled.x == x && g_settled.y == y;
  g_settled.serial = NextRequest(display);
  XWarpPointer(display, None, RootWindowOf(), 0, 0, 0, 0, x, y);
  XFlush(display);
  return TRUE;
}
