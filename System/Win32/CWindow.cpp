#include "System/Win32/CWindow.h"

#include "base/Screen.h"
#include "console/CConsole.h"

namespace {
const char kClassName[] = "DOD_UZEVU";
// 0x96CF0000: a captioned, sizable, visible top-level window.
const DWORD kWindowStyle =
    WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_OVERLAPPEDWINDOW;
}  // namespace

bool CWindow::Register(HINSTANCE hInstance) {
  instance = hInstance;

  WNDCLASSA windowClass;
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
  windowClass.lpfnWndProc = WndProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = nullptr;
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = kClassName;
  return RegisterClassA(&windowClass) != 0;
}

void CWindow::Create(const char* title) {
  window = CreateWindowExA(0, kClassName, title, kWindowStyle, 0, 0, kScreenWidth, kScreenHeight,
                           nullptr, nullptr, instance, this);
}

// Hands a typed character to the console; the backquote switches it first.
static void RouteCharToConsole(WPARAM code) {
  if (code == kBackquote) Console.SetActive(Console.IsActive() == 0 ? 1 : 0);
  if (Console.IsActive() == 1) Console.OnChar((uint8_t)(code & 0xFF));
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      const CREATESTRUCTA* create = (const CREATESTRUCTA*)lParam;
      // NOTE: the pointer-sized call; the 32-bit SetWindowLongA would cut a 64-bit pointer.
      SetWindowLongPtrA(hWnd, GWLP_USERDATA, (LONG_PTR)create->lpCreateParams);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_CHAR:
      RouteCharToConsole(wParam);
      return 0;
    case WM_COMMAND:
      return 0;
    default:
      return DefWindowProcA(hWnd, message, wParam, lParam);
  }
}
