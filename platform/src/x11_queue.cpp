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
  KeyCharacters characters;  // of a key press
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
// The characters of the last key press taken, which TranslateMessage posts.
KeyCharacters g_keyCharacters;
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

bool IsKeyPress(UINT message) { return message == WM_KEYDOWN || message == WM_SYSKEYDOWN; }

bool TakeFrom(std::deque<QueuedMessage>& queue, const Filter& filter, bool remove, MSG* out) {
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if (!filter.Matches(it->msg)) continue;
    *out = it->msg;
    if (remove) {
      if (IsKeyPress(it->msg.message)) g_keyCharacters = it->characters;
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
                const KeyCharacters& characters) {
  g_lastCursor = {rootX, rootY};
  // Like Windows, a move replaces the move still waiting at the queue's end.
  if (message == WM_MOUSEMOVE && !g_input.empty() && g_input.back().msg.message == WM_MOUSEMOVE &&
      g_input.back().msg.hwnd == hwnd) {
    g_input.pop_back();
  }
  g_input.push_back({MakeMessage(hwnd, message, wParam, lParam), characters});
}

void PostToWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  g_posted.push_back({MakeMessage(hwnd, message, wParam, lParam), KeyCharacters()});
}

void ForgetWindowMessages(HWND hwnd) {
  Erase(g_posted, hwnd);
  Erase(g_input, hwnd);
}

}  // namespace x11

using namespace x11;

// As in Win32, every message pointer given to the queue's functions must be valid.
BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg) {
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
  UINT message = lpMsg->message;
  if (message == WM_KEYUP || message == WM_SYSKEYUP) return TRUE;
  if (!IsKeyPress(message)) return FALSE;
  if (!FindWindow(lpMsg->hwnd)) return TRUE;

  const KeyCharacters& key = g_keyCharacters;
  UINT charMessage = message == WM_SYSKEYDOWN ? (key.dead ? WM_SYSDEADCHAR : WM_SYSCHAR)
                                              : (key.dead ? WM_DEADCHAR : WM_CHAR);
  for (int i = 0; i < key.count; ++i) {
    PostToWindow(lpMsg->hwnd, charMessage, (WPARAM)(unsigned char)key.text[i], lpMsg->lParam);
  }
  return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
  if (!lpMsg->hwnd) return 0;
  return SendToWindow(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

void WINAPI PostQuitMessage(int nExitCode) {
  g_quitPosted = true;
  g_quitCode = nExitCode;
}
