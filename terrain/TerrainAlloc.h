// Allocation for the terrain module. The terrain arrays and the quadtree are
// needed by every frame; drawing from a missing one would crash inside the
// driver, so a failed allocation is logged and ends the process instead.
#pragma once

#include <cstddef>
#include <new>

#include "log/CLog.h"

// Logs "Out of memory: <what>" to the given log and exits with a failure code.
[[noreturn]] void TerrainOutOfMemory(CLog& log, const char* what);

// A zero-filled array of count elements, or the end of the process.
template <typename T>
T* AllocateTerrainArray(size_t count, CLog& log, const char* what) {
  T* array = new (std::nothrow) T[count]();
  if (!array) TerrainOutOfMemory(log, what);
  return array;
}
