#include "base/OutOfMemory.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

namespace {

// An allocation that throws (a plain new, a container growing) and is caught
// nowhere ends here instead of in an abort: the process says what happened
// and ends as a failed allocation of an owned object does.
[[noreturn]] void OnUncaughtException() {
  try {
    if (std::exception_ptr thrown = std::current_exception()) std::rethrow_exception(thrown);
  } catch (const std::bad_alloc&) {
    ExitOutOfMemory(nullptr, "a program object");
  } catch (...) {
  }
  abort();
}

// Installed before any other module-level object is constructed, so that
// their allocations are covered too.
struct TerminateHandler {
  TerminateHandler() { std::set_terminate(OnUncaughtException); }
};
TerminateHandler g_terminateHandler __attribute__((init_priority(101)));

}  // namespace

// The line goes to standard error as well: whoever started the program sees
// why it ended without looking through the logs.
void ExitOutOfMemory(CLog* log, const char* what, int32_t level) {
  fprintf(stderr, "Out of memory: %s\n", what);
  if (log != nullptr && level > 0)
    log->PrintLevel(level, "Out of memory: %s\n", what);
  else if (log != nullptr)
    log->Print("Out of memory: %s\n", what);
  exit(EXIT_FAILURE);
}
