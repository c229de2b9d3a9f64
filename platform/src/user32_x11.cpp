// Placeholder until the Xlib window layer lands.
#include <windows.h>

ATOM WINAPI RegisterClassA(const WNDCLASSA*) { return 1; }
HWND WINAPI CreateWindowExA(DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE, LPVOID) { return nullptr; }
LRESULT WINAPI DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }
LONG_PTR WINAPI SetWindowLongPtrA(HWND, int, LONG_PTR) { return 0; }
LONG_PTR WINAPI GetWindowLongPtrA(HWND, int) { return 0; }
BOOL WINAPI PeekMessageA(LPMSG, HWND, UINT, UINT, UINT) { return FALSE; }
BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }
LRESULT WINAPI DispatchMessageA(const MSG*) { return 0; }
void WINAPI PostQuitMessage(int) {}
HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) { return nullptr; }
HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR) { return nullptr; }
HWND WINAPI GetActiveWindow(void) { return nullptr; }
BOOL WINAPI GetCursorPos(LPPOINT) { return FALSE; }
BOOL WINAPI SetCursorPos(int, int) { return FALSE; }
