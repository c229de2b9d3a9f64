// The message queue of the (one) GUI thread, in Win32 order: posted
// messages, then the quit message, then hardware input, then WM_PAINT for a
// window that needs painting. PeekMessageA takes one message and never waits;
// TranslateMessage posts the characters of a key press, taken on a later call.
#include <deque>

#include "x11_internal.h"

namespace x11 {
namespace {

struct QueuedMessage {
  MSG msg;
  unsigned int keyState;  // X modifier state of a key message
};

struct Filter {
  HWND hwnd;
  UINT first, last;

  bool Matches(const MSG& msg) const {
    if (hwnd && msg.hwnd != hwnd) return false;
    if (first == 0 && last == 0) return true;
    return msg.message >= first && msg.message <= last;
  }
};

std::deque<QueuedMessage> g_posted;
std::deque<QueuedMessage> g_input;
bool g_quitPosted = false;
int g_quitCode = 0;
// The modifier state of the last key message taken, which TranslateMessage
// uses as Windows uses the thread's keyboard state.
unsigned int g_keyState = 0;
POINT g_lastCursor = {0, 0};

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg;
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = TickCount();
  msg.pt = g_lastCursor;
  return msg;
}

bool IsKeyMessage(UINT message) { return message >= WM_KEYDOWN && message <= WM_SYSCHAR; }

bool TakeFrom(std::deque<QueuedMessage>& queue, const Filter& filter, bool remove, MSG* out) {
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if (!filter.Matches(it->msg)) continue;
    *out = it->msg;
    if (remove) {
      if (IsKeyMessage(it->msg.message)) g_keyState = it->keyState;
      queue.erase(it);
    }
    return true;
  }
  return false;
}

bool TakeQuit(bool remove, MSG* out) {
  if (!g_quitPosted) return false;
  *out = MakeMessage(nullptr, WM_QUIT, (WPARAM)g_quitCode, 0);
  if (remove) g_quitPosted = false;
  return true;
}

// WM_PAINT is not queued: it is made while a window has an unpainted area,
// and keeps coming until the window validates it.
bool TakePaint(const Filter& filter, MSG* out) {
  HWND hwnd = WindowNeedingPaint(filter.hwnd);
  if (!hwnd) return false;
  MSG paint = MakeMessage(hwnd, WM_PAINT, 0, 0);
  if (!filter.Matches(paint)) return false;
  *out = paint;
  return true;
}

void PostCloseToEveryWindow() {
  for (HWND hwnd : LiveWindows()) PostToWindow(hwnd, WM_CLOSE, 0, 0);
}

void Erase(std::deque<QueuedMessage>& queue, HWND hwnd) {
  for (auto it = queue.begin(); it != queue.end();) {
    it = it->msg.hwnd == hwnd ? queue.erase(it) : it + 1;
  }
}

}  // namespace

void QueueInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, int rootX, int rootY,
                unsigned int keyState) {
  g_lastCursor = {rootX, rootY};
  // Like Windows, a move replaces the move still waiting at the queue's end.
  if (message == WM_MOUSEMOVE && !g_input.empty() && g_input.back().msg.message == WM_MOUSEMOVE &&
      g_input.back().msg.hwnd == hwnd) {
    g_input.pop_back();
  }
  g_input.push_back({MakeMessage(hwnd, message, wParam, lParam), keyState});
}

void PostToWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  g_posted.push_back({MakeMessage(hwnd, message, wParam, lParam), g_keyState});
}

void ForgetWindowMessages(HWND hwnd) {
  Erase(g_posted, hwnd);
  Erase(g_input, hwnd);
}

}  // namespace x11

using namespace x11;

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg) {
  if (!lpMsg) return FALSE;
  if (hWnd && !FindWindow(hWnd)) return FALSE;
  if (AnyLiveWindow() && TakeCloseRequest()) PostCloseToEveryWindow();
  PumpEvents();

  Filter filter = {hWnd, wMsgFilterMin, wMsgFilterMax};
  bool remove = (wRemoveMsg & PM_REMOVE) != 0;
  // NOTE: the quit message comes whatever the filter, as on Windows.
  return TakeFrom(g_posted, filter, remove, lpMsg) || TakeQuit(remove, lpMsg) ||
         TakeFrom(g_input, filter, remove, lpMsg) || TakePaint(filter, lpMsg);
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
  if (!lpMsg) return FALSE;
  UINT message = lpMsg->message;
  if (message == WM_KEYUP || message == WM_SYSKEYUP) return TRUE;
  if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN) return FALSE;
  if (!FindWindow(lpMsg->hwnd)) return TRUE;

  unsigned int keycode = (unsigned int)((lpMsg->lParam >> 16) & 0xFF);
  char characters[16];
  int count = CharactersForKey(keycode, g_keyState, characters, (int)sizeof characters);
  UINT charMessage = message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  for (int i = 0; i < count; ++i) {
    PostToWindow(lpMsg->hwnd, charMessage, (WPARAM)(unsigned char)characters[i], lpMsg->lParam);
  }
  return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
  if (!lpMsg || !lpMsg->hwnd) return 0;
  return SendToWindow(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

void WINAPI PostQuitMessage(int nExitCode) {
  g_quitPosted = true;
  g_quitCode = nExitCode;
}
