// The process entry: calls WinMain as the Windows start-up code does.
#include <windows.h>

int main(int, char**) { return WinMain((HINSTANCE)1, nullptr, (LPSTR)"", 1); }
