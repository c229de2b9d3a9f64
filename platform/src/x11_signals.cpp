// SIGINT, SIGTERM and SIGHUP as close requests: the handler only raises a
// flag, and the next PeekMessageA posts WM_CLOSE to every window, so Ctrl+C,
// kill or a closed terminal (a dropped ssh session) end the program the way
// closing its window does. A second signal before the first
// was taken (or after the last window is gone) ends the process at once.
#include <signal.h>

#include "x11_internal.h"

namespace x11 {
namespace {

volatile sig_atomic_t g_pendingSignal = 0;

void OnCloseSignal(int number) {
  if (g_pendingSignal != 0) {
    signal(number, SIG_DFL);
    raise(number);  // delivered when the handler returns
    return;
  }
  g_pendingSignal = number;
}

void Catch(int number) {
  struct sigaction previous;
  sigaction(number, nullptr, &previous);
  // NOTE: a signal ignored by whoever started us (a background job of a
  // script) stays ignored, as shells expect.
  if (previous.sa_handler == SIG_IGN) return;
  struct sigaction action = {};
  action.sa_handler = OnCloseSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(number, &action, nullptr);
}

}  // namespace

void InstallCloseSignals() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  Catch(SIGINT);
  Catch(SIGTERM);
  Catch(SIGHUP);
}

bool TakeCloseRequest() {
  if (g_pendingSignal == 0) return false;
  g_pendingSignal = 0;
  return true;
}

}  // namespace x11
