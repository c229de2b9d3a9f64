#pragma once

#include "base/Platform.h"

// The one main window. Its owner creates it with both handles unset;
// Register and Create fill them.
class CWindow {
 public:
  bool Register(HINSTANCE instance);
  void Create(const char* title);

  HWND window;
  HINSTANCE instance;
};

LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
