// Process entry: the banner, the window, initialisation, the main loop and
// shut-down, in that order.
#include "System/Win32/CApplication.h"

#include <cstdio>

namespace {
CApplication* g_application = nullptr;
const int32_t kLevel = 1;
}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
  g_application = new CApplication();
  CLog* mainLog = g_application->log;

  mainLog->PrintLevel(kLevel, "SKELV [%s version] by Quorrin\n", GetPlatformName());
  mainLog->PrintLevel(kLevel, "Built at %s on %s\n", __TIME__, __DATE__);
  mainLog->PrintLevel(kLevel, "File: '%s'\n", __FILE__);
  mainLog->PrintLevel(kLevel, "Last modified: %s\n", __TIMESTAMP__);

  g_application->window->Register(hInstance);
  g_application->window->Create("SKELV by Quorrin");
  if (g_application->window->window == nullptr) {
    // Without a window no quit message would ever come.
    fprintf(stderr, "skelv: the main window could not be created\n");
    delete g_application;
    return 1;
  }

  mainLog->PrintLevel(kLevel, "[%i] Running initialization code.\n", 28);
  WPARAM exitCode = 1;  // nothing can be drawn: the loop would only spin
  if (g_application->Init()) {
    mainLog->PrintLevel(kLevel, "[%i] Entering main loop.\n", 32);
    exitCode = 0;
    while (MainLoopPass(g_application, &exitCode)) {
    }
  }

  mainLog->PrintLevel(kLevel, "[%i] Running deinitialization code.\n", 54);
  g_application->DeInit();

  delete g_application;
  g_application = nullptr;
  return (int)exitCode;
}
