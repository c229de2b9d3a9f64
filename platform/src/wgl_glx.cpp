// Placeholder until the GLX device layer lands.
#include <windows.h>

HDC WINAPI GetDC(HWND) { return nullptr; }
int WINAPI ChoosePixelFormat(HDC, const PIXELFORMATDESCRIPTOR*) { return 0; }
BOOL WINAPI SetPixelFormat(HDC, int, const PIXELFORMATDESCRIPTOR*) { return FALSE; }
BOOL WINAPI SwapBuffers(HDC) { return FALSE; }
HGLRC WINAPI wglCreateContext(HDC) { return nullptr; }
BOOL WINAPI wglMakeCurrent(HDC, HGLRC) { return FALSE; }
BOOL WINAPI wglDeleteContext(HGLRC) { return FALSE; }
