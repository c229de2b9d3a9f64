// Counts the heap allocations the calling thread makes while switched on:
// every operator new and every malloc, calloc and realloc, whoever calls them
// (our code, or a library on our behalf: strdup, a growing std::string, stdio,
// Xlib, the GL driver).
#pragma once

#include <cstdint>

void StartCountingAllocations();
uint64_t StopCountingAllocations();
