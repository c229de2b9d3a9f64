// The cursor position in screen (root window) coordinates.
#include "x11_internal.h"

using namespace x11;

BOOL WINAPI GetCursorPos(LPPOINT lpPoint) {
  Display* display = GetDisplay();
  if (!lpPoint || !display) return FALSE;
  Window root, child;
  int rootX, rootY, x, y;
  unsigned int mask;
  // One round trip per call (the camera asks every frame), so no error trap:
  // the root window cannot go away. False: the pointer is on another screen.
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
  // The server keeps the pointer on the screen, as Windows clips it.
  XWarpPointer(display, None, RootWindowOf(), 0, 0, 0, 0, X, Y);
  XFlush(display);
  return TRUE;
}
