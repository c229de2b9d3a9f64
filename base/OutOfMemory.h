// The answer to a failed allocation of an object that every later step uses:
// its owner logs one line and the process ends, instead of crashing later on
// a null pointer.
#pragma once

#include <cstdint>

#include "base/CLog.h"

// Writes "Out of memory: <what>" to standard error and to the owning log, and
// exits with a failure code. A level above 0 puts the log's line behind that
// level, the form of the main log. Without a log (the owner's own log is what
// failed, or the allocation has no owner with a log) standard error alone.
[[noreturn]] void ExitOutOfMemory(CLog* log, const char* what, int32_t level = 0);

// The object a non-throwing allocation yielded, or the end of the process.
template <typename T>
T* CheckAllocation(T* object, CLog* log, const char* what, int32_t level = 0) {
  if (object == nullptr) ExitOutOfMemory(log, what, level);
  return object;
}
