// user32 window classes and stock resources on Xlib: RegisterClassA, the
// class a window is created from, and the stock application icon and arrow
// cursor. No class extra bytes, no resources of the program's own.
#include <X11/cursorfont.h>
#include <strings.h>

#include <vector>

#include "x11_internal.h"

namespace x11 {
namespace {

const ATOM kFirstClassAtom = 0xC000;
const uintptr_t kApplicationIcon = 32512;
const uintptr_t kArrowCursor = 32512;

std::vector<ClassRecord> g_classes;  // atom kFirstClassAtom + index

// The stock icon and arrow: one handle each, made on first load; the arrow's
// X cursor is made when a window first uses it.
uintptr_t g_iconHandle = 0;
uintptr_t g_arrowHandle = 0;
Cursor g_arrow = 0;

}  // namespace

const ClassRecord* FindClass(LPCSTR name) {
  for (const ClassRecord& record : g_classes) {
    if (strcasecmp(record.name.c_str(), name) == 0) return &record;
  }
  return nullptr;
}

Cursor XCursorFor(HCURSOR handle) {
  if (!handle || (uintptr_t)handle != g_arrowHandle) return 0;
  if (!g_arrow) g_arrow = XCreateFontCursor(GetDisplay(), XC_left_ptr);
  return g_arrow;
}

}  // namespace x11

using namespace x11;

ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
  if (!lpWndClass || !lpWndClass->lpfnWndProc || !lpWndClass->lpszClassName) return 0;
  if (FindClass(lpWndClass->lpszClassName)) return 0;  // already registered
  g_classes.push_back({lpWndClass->lpszClassName, lpWndClass->lpfnWndProc, lpWndClass->hCursor});
  return (ATOM)(kFirstClassAtom + g_classes.size() - 1);
}

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
  // Only the stock application icon; the window manager draws its own.
  if (hInstance || (uintptr_t)lpIconName != kApplicationIcon) return nullptr;
  if (!g_iconHandle) g_iconHandle = NewHandle();
  return (HICON)g_iconHandle;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
  // Only the stock arrow.
  if (hInstance || (uintptr_t)lpCursorName != kArrowCursor) return nullptr;
  if (!g_arrowHandle) g_arrowHandle = NewHandle();
  return (HCURSOR)g_arrowHandle;
}
