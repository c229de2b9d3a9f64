#include "System/Win32/CApplication.h"

#include <new>

#include "base/OutOfMemory.h"

namespace {
// Every line of the main log stands behind this level.
const int32_t kMainLogLevel = 1;
}  // namespace

// Every member is used unchecked from here on: one that cannot be allocated
// ends the process with a line in the main log.
CApplication::CApplication()
    : log(CheckAllocation(new (std::nothrow) CLog(LOG_FILE, "Main.txt"), nullptr, "main log")),
      // The window's handles stay unset until Register and Create fill them.
      window(CheckAllocation(new (std::nothrow) CWindow(), log, "window", kMainLogLevel)),
      music(CheckAllocation(new (std::nothrow) CMusic(), log, "music", kMainLogLevel)),
      system(CheckAllocation(new (std::nothrow) CSystem3D(), log, "3D system", kMainLogLevel)) {}

CApplication::~CApplication() {
  delete system;
  delete music;
  delete window;
  delete log;
}

// False when nothing can be drawn (no OpenGL context); everything is
// initialised all the same, so that shut-down and the logs are the usual ones.
bool CApplication::Init() {
  const bool drawing = system->Init();
  music->Start();
  return drawing;
}

bool CApplication::DeInit() {
  music->Stop();
  system->DeInit();
  return true;
}

void CApplication::Frame() { system->Frame(); }

const char* GetPlatformName() { return "Win32"; }

bool PumpOneMessage(WPARAM* exitCode) {
  MSG message;
  if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return true;
  if (message.message == WM_QUIT) {
    *exitCode = message.wParam;
    return false;
  }
  TranslateMessage(&message);
  DispatchMessageA(&message);
  return true;
}

bool MainLoopPass(CApplication* app, WPARAM* exitCode) {
  if (!PumpOneMessage(exitCode)) return false;
  app->Frame();
  return true;
}
