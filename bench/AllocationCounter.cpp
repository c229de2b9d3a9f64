// Replaces the global operator new and interposes malloc, calloc and realloc
// (glibc lets the executable define them; they forward to the C library's
// allocator, so free stays glibc's). A caller counts as ours when its return
// address lies in the executable's own code segments.
#include "AllocationCounter.h"

#include <link.h>

#include <atomic>
#include <cstdlib>
#include <new>

extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* block, size_t size);

namespace {
std::atomic<bool> g_counting{false};
std::atomic<uint64_t> g_ours{0};
std::atomic<uint64_t> g_all{0};

struct CodeRange {
  uintptr_t begin = 0, end = 0;
};
CodeRange g_ranges[8];
int g_rangeCount = 0;

// The first object dl_iterate_phdr reports is the executable itself.
int RecordExecutableCode(dl_phdr_info* info, size_t, void*) {
  for (int i = 0; i < info->dlpi_phnum && g_rangeCount < 8; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD || !(segment.p_flags & PF_X)) continue;
    const uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
    g_ranges[g_rangeCount++] = {begin, begin + segment.p_memsz};
  }
  return 1;  // stop after the executable
}

bool IsOurCode(const void* address) {
  const uintptr_t a = (uintptr_t)address;
  for (int i = 0; i < g_rangeCount; ++i) {
    if (a >= g_ranges[i].begin && a < g_ranges[i].end) return true;
  }
  return false;
}

inline void Count(const void* caller) {
  if (!g_counting.load(std::memory_order_relaxed)) return;
  g_all.fetch_add(1, std::memory_order_relaxed);
  if (IsOurCode(caller)) g_ours.fetch_add(1, std::memory_order_relaxed);
}

void* NewOrThrow(size_t size) {
  void* block = __libc_malloc(size ? size : 1);
  if (!block) throw std::bad_alloc();
  return block;
}
}  // namespace

void StartCountingAllocations() {
  if (g_rangeCount == 0) dl_iterate_phdr(RecordExecutableCode, nullptr);
  g_ours = 0;
  g_all = 0;
  g_counting = true;
}

AllocationCount StopCountingAllocations() {
  g_counting = false;
  return {g_ours.load(), g_all.load()};
}

extern "C" void* malloc(size_t size) {
  Count(__builtin_return_address(0));
  return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size) {
  Count(__builtin_return_address(0));
  return __libc_calloc(count, size);
}

extern "C" void* realloc(void* block, size_t size) {
  Count(__builtin_return_address(0));
  return __libc_realloc(block, size);
}

void* operator new(size_t size) {
  Count(__builtin_return_address(0));
  return NewOrThrow(size);
}

void* operator new[](size_t size) {
  Count(__builtin_return_address(0));
  return NewOrThrow(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept {
  Count(__builtin_return_address(0));
  return __libc_malloc(size ? size : 1);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  Count(__builtin_return_address(0));
  return __libc_malloc(size ? size : 1);
}

void operator delete(void* block) noexcept { free(block); }
void operator delete[](void* block) noexcept { free(block); }
void operator delete(void* block, size_t) noexcept { free(block); }
void operator delete[](void* block, size_t) noexcept { free(block); }
