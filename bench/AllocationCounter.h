// Counts heap allocations while switched on: every operator new and every
// malloc, calloc and realloc of the process, and separately those called
// directly from this executable's own code (the system's modules, the
// platform layer and the benchmark, all linked statically into it).
#pragma once

#include <cstdint>

struct AllocationCount {
  uint64_t ours;
  uint64_t all;
};

void StartCountingAllocations();
AllocationCount StopCountingAllocations();
