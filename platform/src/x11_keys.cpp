// Keyboard translation: X keysyms to Win32 virtual-key codes, and key
// presses to the characters TranslateMessage posts, in the ANSI code page.
// Presses go through Xlib's own input method, which composes dead keys and
// Compose sequences from the locale's table (and ~/.XCompose).
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <langinfo.h>
#include <pthread.h>

#include <clocale>
#include <cstring>
#include <mutex>
#include <string>

#include "cp1252.h"
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

// The character a dead key gives alone, which Windows posts in WM_DEADCHAR.
struct DeadKey {
  KeySym keysym;
  uint32_t character;
};
const DeadKey kDeadKeys[] = {
    {XK_dead_grave, 0x60},   {XK_dead_acute, 0xB4},     {XK_dead_circumflex, 0x5E},
    {XK_dead_tilde, 0x7E},   {XK_dead_diaeresis, 0xA8}, {XK_dead_abovering, 0xB0},
    {XK_dead_cedilla, 0xB8}, {XK_dead_macron, 0xAF},    {XK_dead_caron, 0x2C7},
    {XK_dead_breve, 0x2D8},  {XK_dead_abovedot, 0x2D9}, {XK_dead_doubleacute, 0x2DD},
    {XK_dead_ogonek, 0x2DB},
};

// Xlib's input method and the input context of the window that last had a
// key; none when the locale has no input method (then XLookupString's
// Latin-1, with no composition, is all there is).
XIM g_inputMethod = nullptr;
XIC g_context = nullptr;
Window g_contextWindow = 0;

// The character type only: numbers in the logs stay as the C locale prints
// them. Xutf8LookupString wants a UTF-8 locale Xlib knows.
bool UseCharacterLocale(const char* name) {
  return setlocale(LC_CTYPE, name) && strcmp(nl_langinfo(CODESET), "UTF-8") == 0 &&
         XSupportsLocale();
}

XIC ContextFor(Window xwindow) {
  if (!g_inputMethod || (g_context && g_contextWindow == xwindow)) return g_context;
  if (g_context) XDestroyIC(g_context);
  g_context = XCreateIC(g_inputMethod, XNInputStyle, XIMPreeditNothing | XIMStatusNothing,
                        XNClientWindow, xwindow, XNFocusWindow, xwindow, nullptr);
  g_contextWindow = g_context ? xwindow : 0;
  if (g_context) XSetICFocus(g_context);
  return g_context;
}

KeyCharacters InAnsi(const char* utf8, int length, KeySym keysym) {
  KeyCharacters characters;
  if (!MakesNoCharacter(keysym))
    characters.count = cp1252::FromUtf8(utf8, length, characters.text, sizeof characters.text);
  return characters;
}

KeyCharacters LookUp(XIC context, XKeyEvent& event) {
  char utf8[32];
  KeySym keysym = NoSymbol;
  Status status = XLookupNone;
  int length = Xutf8LookupString(context, &event, utf8, sizeof utf8, &keysym, &status);
  bool text = status == XLookupChars || status == XLookupBoth;
  return InAnsi(utf8, text ? length : 0, keysym);
}

// A press the input method took: a dead key, a key inside a Compose
// sequence, or the key that completes one, whose text the input method has
// put back as the next event, a press of keycode 0.
// XLookupString gives Latin-1 bytes, control codes for Ctrl+letters, and
// 8, 9, 13, 27 for BackSpace, Tab, Return and Escape, as Windows does.
KeyCharacters WithoutInputMethod(XKeyEvent& event, KeySym* keysym) {
  char latin1[16];
  int count = XLookupString(&event, latin1, sizeof latin1, keysym, nullptr);
  KeyCharacters characters;
  for (int i = 0; i < count && !MakesNoCharacter(*keysym); ++i) {
    // Latin-1 and the code page differ only in 128 to 159, which no key gives.
    unsigned char c = (unsigned char)latin1[i];
    if ((c < 0x80 || c >= 0xA0) && characters.count < (int)sizeof characters.text)
      characters.text[characters.count++] = (char)c;
  }
  return characters;
}

// Remappers (xdotool type, on-screen keyboards) bind a character the layout
// lacks to a spare keycode, press it and unbind it at once, so the mapping is
// often gone from the server by the time the press is read. A thread on a
// connection of its own fetches each new mapping the moment the server
// announces it, with the server time of the change; a press then takes the
// mapping its key had at the press's own time.
struct Binding {
  Time since = 0;
  bool known = false;  // fetched before any later change
  KeySym base = NoSymbol, shifted = NoSymbol;
};
const int kBindings = 16;  // the last changes of each keycode
struct KeyHistory {
  Binding bindings[kBindings];
  unsigned int next = 0;
};
KeyHistory g_history[256];
std::mutex g_historyLock;
bool g_watching = false;
int g_xkbEvent = 0;

bool IsMapNotify(const XEvent& event) {
  return event.type == g_xkbEvent && ((const XkbEvent&)event).any.xkb_type == XkbMapNotify &&
         (((const XkbEvent&)event).map.changed & XkbKeySymsMask);
}

Bool AnnouncesChange(Display*, XEvent* event, XPointer later) {
  if (IsMapNotify(*event)) *(bool*)later = true;
  return False;  // only looks
}

void* WatchMappings(void* connection) {
  Display* watch = (Display*)connection;
  for (;;) {
    XEvent event;
    do XNextEvent(watch, &event);
    while (!IsMapNotify(event));
    const XkbMapNotifyEvent& change = ((XkbEvent&)event).map;
    int first = change.first_key_sym, count = change.num_key_syms, levels = 0;
    Time time = change.time;
    KeySym* keysyms = XGetKeyboardMapping(watch, (KeyCode)first, count, &levels);
    bool later = false;  // the answer may show a change after this one
    XCheckIfEvent(watch, &event, AnnouncesChange, (XPointer)&later);
    std::lock_guard<std::mutex> hold(g_historyLock);
    for (int i = 0; i < count && first + i < 256; ++i) {
      KeyHistory& history = g_history[first + i];
      // A change announced more than once in one millisecond is kept once.
      Binding* last = history.next ? &history.bindings[(history.next - 1) % kBindings] : nullptr;
      Binding& binding =
          last && last->since == time ? *last : history.bindings[history.next++ % kBindings];
      binding.since = time;
      binding.known = keysyms && !later;
      binding.base = binding.known ? keysyms[i * levels] : NoSymbol;
      binding.shifted = binding.known && levels > 1 ? keysyms[i * levels + 1] : NoSymbol;
    }
    if (keysyms) XFree(keysyms);
  }
  return nullptr;
}

void WatchMappingsOf(Display* display) {
  int opcode = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  Display* watch = XOpenDisplay(DisplayString(display));
  if (!watch || !XkbQueryExtension(watch, &opcode, &g_xkbEvent, &error, &major, &minor) ||
      !XkbSelectEvents(watch, XkbUseCoreKbd, XkbMapNotifyMask, XkbMapNotifyMask)) {
    if (watch) XCloseDisplay(watch);
    return;
  }
  pthread_t thread;
  if (pthread_create(&thread, nullptr, WatchMappings, watch) != 0) {
    XCloseDisplay(watch);
    return;
  }
  pthread_detach(thread);
  g_watching = true;
}

// The keysym a press was made with, where its key has been mapped otherwise
// since; NoSymbol where the key still has that mapping, or it is not known.
KeySym MomentaryKeysym(XKeyEvent& event) {
  if (!g_watching) return NoSymbol;
  std::unique_lock<std::mutex> hold(g_historyLock);
  const KeyHistory& history = g_history[event.keycode & 0xFF];
  // The newest change at or before the press; within the press's
  // millisecond, a change that unbinds the key came after it.
  const Binding* found = nullptr;
  for (unsigned int i = 1; i <= kBindings && i <= history.next; ++i) {
    const Binding& binding = history.bindings[(history.next - i) % kBindings];
    if ((long)(binding.since - event.time) > 0) continue;
    if (binding.since == event.time && binding.base == NoSymbol && binding.known) continue;
    found = &binding;
    break;
  }
  if (!found || !found->known) return NoSymbol;
  KeySym base = found->base, shifted = found->shifted;
  hold.unlock();
  if (XkbKeycodeToKeysym(event.display, (KeyCode)event.keycode, 0, 0) == base) return NoSymbol;
  return (event.state & ShiftMask) && shifted != NoSymbol ? shifted : base;
}

KeyCharacters OfKeysym(KeySym keysym) {
  uint32_t character = keysym <= 0xFF || keysym == XK_EuroSign ? (uint32_t)keysym
                       : (keysym & 0xFF000000) == 0x01000000   ? (uint32_t)(keysym & 0xFFFFFF)
                                                               : 0;
  KeyCharacters characters;
  int byte = character >= 0x20 ? cp1252::FromUnicode(character) : -1;
  characters.count = byte >= 0;
  characters.text[0] = (char)byte;
  return characters;
}

// The accent of the dead key pressed last, while nothing has completed it.
KeyCharacters g_pendingDead;

KeyCharacters Append(KeyCharacters first, const KeyCharacters& then) {
  for (int i = 0; i < then.count && first.count < (int)sizeof first.text; ++i)
    first.text[first.count++] = then.text[i];
  first.dead = false;
  return first;
}

// A press the input method took: a dead key, a key inside a Compose
// sequence, or the key that completes one, whose text the input method has
// put back as the next event, a press of keycode 0. A key the dead key
// before it does not combine with is dropped by the input method; Windows
// gives the accent and the key's own character, and so does this.
KeyCharacters TakenByInputMethod(XKeyEvent& original) {
  Display* display = original.display;
  XEvent next;
  KeyCharacters pending = g_pendingDead;
  g_pendingDead = KeyCharacters();
  if (XEventsQueued(display, QueuedAlready) > 0) {
    XPeekEvent(display, &next);
    if (next.type == KeyPress && next.xkey.keycode == 0 && next.xkey.window == original.window) {
      XNextEvent(display, &next);
      return LookUp(g_context, next.xkey);
    }
  }
  KeySym keysym = NoSymbol;
  KeyCharacters own = WithoutInputMethod(original, &keysym);
  for (const DeadKey& dead : kDeadKeys) {
    if (dead.keysym != keysym) continue;
    int byte = cp1252::FromUnicode(dead.character);
    own.dead = true;
    own.count = byte >= 0;
    own.text[0] = (char)byte;
  }
  if (pending.dead) return Append(pending, own);
  if (own.dead) g_pendingDead = own;
  return own.dead ? own : KeyCharacters();  // inside a Compose sequence: nothing yet
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

void OpenInputMethod(Display* display) {
  std::string previous = setlocale(LC_CTYPE, nullptr);
  if (!UseCharacterLocale("") && !UseCharacterLocale("C.UTF-8")) {
    setlocale(LC_CTYPE, previous.c_str());
    return;
  }
  // Xlib's own input method, whatever XMODIFIERS names: an external one
  // would offer scripts the code page cannot carry, and may not be running.
  XSetLocaleModifiers("@im=none");
  g_inputMethod = XOpenIM(display, nullptr, nullptr, nullptr);
  WatchMappingsOf(display);
}

KeyCharacters CharactersForKey(XKeyEvent& event) {
  KeySym momentary = MomentaryKeysym(event);
  if (momentary != NoSymbol) return OfKeysym(momentary);
  XKeyEvent original = event;  // the input method may change the event it takes
  XIC context = ContextFor(event.window);
  if (context && XFilterEvent((XEvent*)&event, None)) return TakenByInputMethod(original);
  if (context) return LookUp(context, event);
  KeySym keysym = NoSymbol;
  return WithoutInputMethod(event, &keysym);
}

}  // namespace x11
