#include "AllocationHooks.h"

#include <cstdlib>
#include <new>

namespace {

// Each block carries its size in front, so a release can be counted by size.
const size_t kHeader = 16;

size_t watchedSize = 0;
size_t allocated = 0;
size_t released = 0;
size_t failingSize = 0;
int failCountdown = 0;

void* Allocate(size_t bytes) {
  char* block = static_cast<char*>(malloc(bytes + kHeader));
  if (!block) return nullptr;
  *reinterpret_cast<size_t*>(block) = bytes;
  if (bytes == watchedSize) ++allocated;
  return block + kHeader;
}

void Release(void* pointer) {
  if (!pointer) return;
  char* block = static_cast<char*>(pointer) - kHeader;
  if (*reinterpret_cast<size_t*>(block) == watchedSize) ++released;
  free(block);
}

bool ShouldFail(size_t bytes) {
  return failCountdown > 0 && bytes == failingSize && --failCountdown == 0;
}

void* AllocateOrThrow(size_t bytes) {
  void* pointer = Allocate(bytes);
  if (!pointer) throw std::bad_alloc();
  return pointer;
}

}  // namespace

namespace alloc_hooks {

void WatchSize(size_t bytes) {
  watchedSize = bytes;
  allocated = 0;
  released = 0;
}
size_t Allocated() { return allocated; }
size_t Released() { return released; }

void FailNthAllocation(size_t bytes, int n) {
  failingSize = bytes;
  failCountdown = n;
}

}  // namespace alloc_hooks

void* operator new(size_t bytes) { return AllocateOrThrow(bytes); }
void* operator new[](size_t bytes) { return AllocateOrThrow(bytes); }
void* operator new(size_t bytes, const std::nothrow_t&) noexcept {
  return ShouldFail(bytes) ? nullptr : Allocate(bytes);
}
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept {
  return ShouldFail(bytes) ? nullptr : Allocate(bytes);
}
void operator delete(void* pointer) noexcept { Release(pointer); }
void operator delete[](void* pointer) noexcept { Release(pointer); }
void operator delete(void* pointer, size_t) noexcept { Release(pointer); }
void operator delete[](void* pointer, size_t) noexcept { Release(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { Release(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { Release(pointer); }
