#include "System/OutOfMemory.h"

#include <cstdio>
#include <cstdlib>

void ExitOutOfMemory(CLog* log, const char* what, int32_t level) {
  if (log == nullptr)
    fprintf(stderr, "Out of memory: %s\n", what);
  else if (level > 0)
    log->PrintLevel(level, "Out of memory: %s\n", what);
  else
    log->Print("Out of memory: %s\n", what);
  exit(EXIT_FAILURE);
}
