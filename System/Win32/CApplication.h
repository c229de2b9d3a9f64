#pragma once

#include "System/Win32/CWindow.h"
#include "base/CLog.h"
#include "base/Platform.h"
#include "music/CMusic.h"
#include "render/CSystem3D.h"

// Owns everything whose life is shorter than the process.
class CApplication {
 public:
  CApplication();
  ~CApplication();
  CApplication(const CApplication&) = delete;
  CApplication& operator=(const CApplication&) = delete;

  bool Init();
  bool DeInit();
  void Frame();

  CLog* log;
  CWindow* window;
  CMusic* music;
  CSystem3D* system;
};

const char* GetPlatformName();

// Takes at most one message without waiting and dispatches it. Returns false,
// with the quit code, on WM_QUIT.
bool PumpOneMessage(WPARAM* exitCode);

// One pass of the main loop: one message, then one frame. Returns false, with
// the quit code, on WM_QUIT (no frame).
bool MainLoopPass(CApplication* app, WPARAM* exitCode);
