// Allocation for the terrain module. The terrain arrays and the quadtree are
// needed by every frame; drawing from a missing one would crash inside the
// driver, so a failed allocation is logged and ends the process instead.
#pragma once

#include <cstddef>
#include <new>

#include "base/CLog.h"
#include "base/OutOfMemory.h"

// A zero-filled array of count elements, or the end of the process.
template <typename T>
T* AllocateTerrainArray(size_t count, CLog& log, const char* what) {
  return CheckAllocation(new (std::nothrow) T[count](), &log, what);
}
