// Process entry: the banner, the window, initialisation, the main loop and
// shut-down, in that order.
#include "System/Win32/CApplication.h"

#include <cstdio>

namespace {
CApplication* Application = nullptr;
// Every line of the main log stands behind this level.
const int32_t kLevel = 1;
// The numbers the main log's lifecycle lines carry in brackets.
const int kInitTag = 28;
const int kMainLoopTag = 32;
const int kDeInitTag = 54;
}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
  Application = new CApplication();
  CLog* mainLog = Application->log;

  mainLog->PrintLevel(kLevel, "SKELV [%s version] by Quorrin\n", GetPlatformName());
  mainLog->PrintLevel(kLevel, "Built at %s on %s\n", __TIME__, __DATE__);
  mainLog->PrintLevel(kLevel, "File: '%s'\n", __FILE__);
  mainLog->PrintLevel(kLevel, "Last modified: %s\n", __TIMESTAMP__);

  Application->window->Register(hInstance);
  Application->window->Create("SKELV by Quorrin");
  if (Application->window->window == nullptr) {
    // Without a window no quit message would ever come.
    fprintf(stderr, "skelv: the main window could not be created\n");
    delete Application;
    return 1;
  }

  mainLog->PrintLevel(kLevel, "[%i] Running initialization code.\n", kInitTag);
  WPARAM exitCode = 1;  // nothing can be drawn: the loop would only spin
  if (Application->Init()) {
    mainLog->PrintLevel(kLevel, "[%i] Entering main loop.\n", kMainLoopTag);
    exitCode = 0;
    while (MainLoopPass(Application, &exitCode)) {
    }
  }

  mainLog->PrintLevel(kLevel, "[%i] Running deinitialization code.\n", kDeInitTag);
  Application->DeInit();

  delete Application;
  Application = nullptr;
  return (int)exitCode;
}
