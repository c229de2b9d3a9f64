// Replaces the global operator new and interposes malloc, calloc and realloc
// (glibc lets the executable define them and routes its own internal calls,
// strdup's for one, to them; they forward to the C library's allocator, so
// free stays glibc's). Only the thread that switched counting on is counted:
// the driver's worker threads do the same work for real and reference frames
// but not in step with them.
#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* block, size_t size);

namespace {
// Static TLS of the executable: reading it never allocates.
thread_local bool t_counting = false;
thread_local uint64_t t_count = 0;

inline void Count() {
  if (t_counting) ++t_count;
}

void* NewOrThrow(size_t size) {
  void* block = __libc_malloc(size ? size : 1);
  if (!block) throw std::bad_alloc();
  return block;
}
}  // namespace

void StartCountingAllocations() {
  t_count = 0;
  t_counting = true;
}

uint64_t StopCountingAllocations() {
  t_counting = false;
  return t_count;
}

extern "C" void* malloc(size_t size) {
  Count();
  return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size) {
  Count();
  return __libc_calloc(count, size);
}

extern "C" void* realloc(void* block, size_t size) {
  Count();
  return __libc_realloc(block, size);
}

void* operator new(size_t size) {
  Count();
  return NewOrThrow(size);
}

void* operator new[](size_t size) {
  Count();
  return NewOrThrow(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept {
  Count();
  return __libc_malloc(size ? size : 1);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  Count();
  return __libc_malloc(size ? size : 1);
}

void operator delete(void* block) noexcept { free(block); }
void operator delete[](void* block) noexcept { free(block); }
void operator delete(void* block, size_t) noexcept { free(block); }
void operator delete[](void* block, size_t) noexcept { free(block); }
