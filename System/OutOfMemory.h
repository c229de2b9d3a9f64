// The answer to a failed allocation of an object that every later step uses:
// its owner logs one line and the process ends, instead of crashing later on
// a null pointer.
#pragma once

#include <cstdint>

#include "log/CLog.h"

// Logs "Out of memory: <what>" to the owning log and exits with a failure code.
// A level above 0 puts the line behind that level, the form of the main log.
// Without a log (the owner's own log is what failed), it goes to standard error.
[[noreturn]] void ExitOutOfMemory(CLog* log, const char* what, int32_t level = 0);

// The object a non-throwing allocation yielded, or the end of the process.
template <typename T>
T* CheckAllocation(T* object, CLog* log, const char* what, int32_t level = 0) {
  if (object == nullptr) ExitOutOfMemory(log, what, level);
  return object;
}
