// This test program replaces the global allocator so tests can count the
// blocks of one size that are allocated and released, and make a chosen
// non-throwing allocation fail.
#pragma once

#include <cstddef>

namespace alloc_hooks {

// Starts counting blocks of exactly this many bytes; resets both counts.
void WatchSize(size_t bytes);
size_t Allocated();
size_t Released();

// The n-th (1-based) non-throwing allocation of this many bytes from now on returns null.
void FailNthAllocation(size_t bytes, int n);

}  // namespace alloc_hooks
