// user32 window classes and stock resources on Xlib: RegisterClassA, the
// class a window is created from, and the stock application icon and arrow
// cursor. No class extra bytes, no resources of the program's own.
#include <X11/cursorfont.h>
#include <strings.h>

#include <map>

#include "x11_internal.h"

namespace x11 {
namespace {

const ATOM kFirstClassAtom = 0xC000;
const uintptr_t kApplicationIcon = 32512;
const uintptr_t kArrowCursor = 32512;

std::map<ATOM, ClassRecord> g_classes;

// Stock icons and cursors: one handle per resource id, made on first load.
std::map<uintptr_t, uintptr_t> g_iconHandles;
std::map<uintptr_t, uintptr_t> g_cursorHandles;  // resource id -> handle
std::map<uintptr_t, Cursor> g_xCursors;          // handle -> X cursor, made on first use

}  // namespace

const ClassRecord* FindClass(LPCSTR name) {
  // A class may be named by the atom RegisterClassA returned.
  if ((uintptr_t)name <= 0xFFFF) {
    auto found = g_classes.find((ATOM)(uintptr_t)name);
    return found == g_classes.end() ? nullptr : &found->second;
  }
  for (auto& entry : g_classes) {
    if (strcasecmp(entry.second.name.c_str(), name) == 0) return &entry.second;
  }
  return nullptr;
}

Cursor XCursorFor(HCURSOR handle) {
  if (!handle || g_xCursors.count((uintptr_t)handle) == 0) return 0;
  Cursor& cursor = g_xCursors[(uintptr_t)handle];
  if (!cursor) cursor = XCreateFontCursor(GetDisplay(), XC_left_ptr);
  return cursor;
}

}  // namespace x11

using namespace x11;

ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
  if (!lpWndClass || !lpWndClass->lpfnWndProc || !lpWndClass->lpszClassName) return 0;
  if ((uintptr_t)lpWndClass->lpszClassName <= 0xFFFF) return 0;
  if (FindClass(lpWndClass->lpszClassName)) return 0;  // already registered
  ATOM atom = (ATOM)(kFirstClassAtom + g_classes.size());
  g_classes[atom] = {atom, lpWndClass->lpszClassName, lpWndClass->style, lpWndClass->lpfnWndProc,
                     lpWndClass->hCursor};
  return atom;
}

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
  // Only the stock application icon; the window manager draws its own.
  if (hInstance || (uintptr_t)lpIconName != kApplicationIcon) return nullptr;
  uintptr_t& handle = g_iconHandles[kApplicationIcon];
  if (!handle) handle = NewHandle();
  return (HICON)handle;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
  // Only the stock arrow, made into an X cursor when a window first uses it.
  if (hInstance || (uintptr_t)lpCursorName != kArrowCursor) return nullptr;
  uintptr_t& handle = g_cursorHandles[kArrowCursor];
  if (!handle) {
    handle = NewHandle();
    g_xCursors[handle] = 0;
  }
  return (HCURSOR)handle;
}
