#include "System/Win32/CApplication.h"

#include <new>

CApplication::CApplication()
    : log(new (std::nothrow) CLog(LOG_FILE, "Main.txt")),
      // The window's handles stay unset until Register and Create fill them.
      window(new (std::nothrow) CWindow()),
      music(new (std::nothrow) CMusic()),
      system(new (std::nothrow) CSystem3D()) {}

CApplication::~CApplication() {
  delete system;
  delete music;
  delete window;
  delete log;
}

bool CApplication::Init() {
  system->Init();
  music->Start();
  return true;
}

bool CApplication::DeInit() {
  music->Stop();
  system->DeInit();
  return true;
}

void CApplication::Frame() { system->Frame(); }

const char* GetPlatformName() { return "Win32"; }

bool MainLoopPass(CApplication* app, WPARAM* exitCode) {
  MSG message;
  if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      *exitCode = message.wParam;
      return false;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  app->Frame();
  return true;
}
