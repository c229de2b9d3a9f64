// The cursor position in screen (root window) coordinates. While the pointer
// is inside one of our windows its moves reach us as events, so GetCursorPos
// answers from them instead of a round trip, which costs a frame the wait and
// several allocations in Xlib. The events can stop without notice: another
// client that grabs the pointer on our own window (a window manager's button
// binding) sends no crossing event. So the events are trusted only once one
// has come since our last warp, and even then the server is asked now and
// then; outside our windows it is always asked.
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

}  // namespace

void NotePointerEvent(const XEvent& event) { Apply(event, g_settled); }

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
  if (now.inside && now.current && !recheck) {
    lpPoint->x = now.x;
    lpPoint->y = now.y;
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
  lpPoint->x = rootX;
  lpPoint->y = rootY;
  return TRUE;
}

BOOL WINAPI SetCursorPos(int X, int Y) {
  Display* display = GetDisplay();
  if (!display) return FALSE;
  // The server keeps the pointer on the screen, as Windows clips it; the
  // events about the warp, and any move after it, carry its serial or a later one.
  const int screen = DefaultScreen(display);
  // A warp to where the events already put the pointer moves nothing and
  // brings no event: the position stays known.
  g_settled.current = g_settled.current && g_settled.x == X && g_settled.y == Y;
  g_settled.serial = NextRequest(display);
  g_settled.x = X < 0                                ? 0
                : X >= DisplayWidth(display, screen) ? DisplayWidth(display, screen) - 1
                                                     : X;
  g_settled.y = Y < 0                                 ? 0
                : Y >= DisplayHeight(display, screen) ? DisplayHeight(display, screen) - 1
                                                      : Y;
  XWarpPointer(display, None, RootWindowOf(), 0, 0, 0, 0, X, Y);
  XFlush(display);
  return TRUE;
}
