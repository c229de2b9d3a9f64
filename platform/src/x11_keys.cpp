// Keyboard translation: X keysyms to Win32 virtual-key codes, and key
// presses to the Latin-1 characters TranslateMessage posts.
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "x11_internal.h"

namespace x11 {
namespace {

struct KeyMapping {
  KeySym keysym;
  UINT virtualKey;
};

// Keys whose virtual-key code is not simply their letter, digit or F-number.
const KeyMapping kKeyTable[] = {
    {XK_BackSpace, VK_BACK},
    {XK_Tab, VK_TAB},
    {XK_ISO_Left_Tab, VK_TAB},
    {XK_Clear, VK_CLEAR},
    {XK_Return, VK_RETURN},
    {XK_KP_Enter, VK_RETURN},
    {XK_Shift_L, VK_SHIFT},
    {XK_Shift_R, VK_SHIFT},
    {XK_Control_L, VK_CONTROL},
    {XK_Control_R, VK_CONTROL},
    {XK_Alt_L, VK_MENU},
    {XK_Alt_R, VK_MENU},
    {XK_Meta_L, VK_MENU},
    {XK_Meta_R, VK_MENU},
    {XK_Pause, VK_PAUSE},
    {XK_Caps_Lock, VK_CAPITAL},
    {XK_Escape, VK_ESCAPE},
    {XK_space, VK_SPACE},
    {XK_Prior, VK_PRIOR},
    {XK_Next, VK_NEXT},
    {XK_End, VK_END},
    {XK_Home, VK_HOME},
    {XK_Left, VK_LEFT},
    {XK_Up, VK_UP},
    {XK_Right, VK_RIGHT},
    {XK_Down, VK_DOWN},
    {XK_Print, VK_SNAPSHOT},
    {XK_Insert, VK_INSERT},
    {XK_Delete, VK_DELETE},
    {XK_Super_L, VK_LWIN},
    {XK_Super_R, VK_RWIN},
    {XK_Menu, VK_APPS},
    {XK_KP_Multiply, VK_MULTIPLY},
    {XK_KP_Add, VK_ADD},
    {XK_KP_Subtract, VK_SUBTRACT},
    {XK_KP_Decimal, VK_DECIMAL},
    {XK_KP_Divide, VK_DIVIDE},
    {XK_KP_Home, VK_HOME},
    {XK_KP_End, VK_END},
    {XK_KP_Prior, VK_PRIOR},
    {XK_KP_Next, VK_NEXT},
    {XK_KP_Left, VK_LEFT},
    {XK_KP_Up, VK_UP},
    {XK_KP_Right, VK_RIGHT},
    {XK_KP_Down, VK_DOWN},
    {XK_KP_Insert, VK_INSERT},
    {XK_KP_Delete, VK_DELETE},
    {XK_Num_Lock, VK_NUMLOCK},
    {XK_Scroll_Lock, VK_SCROLL},
    {XK_semicolon, VK_OEM_1},
    {XK_equal, VK_OEM_PLUS},
    {XK_comma, VK_OEM_COMMA},
    {XK_minus, VK_OEM_MINUS},
    {XK_period, VK_OEM_PERIOD},
    {XK_slash, VK_OEM_2},
    {XK_grave, VK_OEM_3},
    {XK_bracketleft, VK_OEM_4},
    {XK_backslash, VK_OEM_5},
    {XK_bracketright, VK_OEM_6},
    {XK_apostrophe, VK_OEM_7},
    {XK_less, VK_OEM_102},
};

bool MakesNoCharacter(KeySym keysym) {
  // Windows gives no character for Delete; X would give DEL (127).
  return keysym == XK_Delete || keysym == XK_KP_Delete;
}

}  // namespace

UINT VirtualKeyFromKeysym(KeySym keysym) {
  if (keysym >= XK_a && keysym <= XK_z) return (UINT)('A' + (keysym - XK_a));
  if (keysym >= XK_A && keysym <= XK_Z) return (UINT)keysym;
  if (keysym >= XK_0 && keysym <= XK_9) return (UINT)keysym;
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return (UINT)(VK_NUMPAD0 + (keysym - XK_KP_0));
  if (keysym >= XK_F1 && keysym <= XK_F24) return (UINT)(VK_F1 + (keysym - XK_F1));
  for (const KeyMapping& mapping : kKeyTable) {
    if (mapping.keysym == keysym) return mapping.virtualKey;
  }
  return 0;  // no virtual key; TranslateMessage still gives its character
}

int CharactersForKey(unsigned int keycode, unsigned int state, char* out, int capacity) {
  Display* display = GetDisplay();
  if (!display) return 0;
  XKeyEvent event = {};
  event.type = KeyPress;
  event.display = display;
  event.root = RootWindowOf();
  event.keycode = keycode;
  event.state = state;
  KeySym keysym = NoSymbol;
  // XLookupString gives Latin-1 bytes, control codes for Ctrl+letters, and
  // 8, 9, 13, 27 for BackSpace, Tab, Return and Escape, as Windows does.
  int count = XLookupString(&event, out, capacity, &keysym, nullptr);
  if (MakesNoCharacter(keysym)) return 0;
  return count < 0 ? 0 : count;
}

}  // namespace x11
