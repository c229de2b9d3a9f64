// Fault injection, preloaded into the program by the end-to-end tests.
// SKELV_FAIL_ALLOC=N fails the N-th allocation the executable itself makes
// (operator new, plain or nothrow, and Xlib's hint allocators: the program
// calls no malloc of its own); at exit the number it made goes to the file
// named by SKELV_ALLOC_COUNT.
// SKELV_HOLD_SOUNDFONT=<fifo> holds every soundfont load until the fifo is opened.
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

extern "C" void* __libc_malloc(size_t);

namespace {
uintptr_t g_begin = UINTPTR_MAX, g_end = 0;  // the executable's loaded segments
std::atomic<long> g_count{0};
long g_failAt = 0;

int FindExecutable(dl_phdr_info* info, size_t, void*) {
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD) continue;
    const uintptr_t start = info->dlpi_addr + segment.p_vaddr;
    if (start < g_begin) g_begin = start;
    if (start + segment.p_memsz > g_end) g_end = start + segment.p_memsz;
  }
  return 1;  // the first object is the executable
}

__attribute__((constructor)) void Start() {
  dl_iterate_phdr(FindExecutable, nullptr);
  if (const char* n = getenv("SKELV_FAIL_ALLOC")) g_failAt = atol(n);
}

__attribute__((destructor)) void Finish() {
  const char* path = getenv("SKELV_ALLOC_COUNT");
  if (FILE* file = path ? fopen(path, "w") : nullptr) {
    fprintf(file, "%ld\n", g_count.load());
    fclose(file);
  }
}

// Counts an allocation made from the executable's code; true for the one to fail.
bool Fails(void* caller) {
  const uintptr_t at = (uintptr_t)caller;
  return at >= g_begin && at < g_end && ++g_count == g_failAt;
}

void* Plain(size_t bytes, void* caller) {
  return Fails(caller) ? nullptr : __libc_malloc(bytes ? bytes : 1);
}

// The throwing allocation: the program sets no new handler, so a failure throws.
void* New(size_t bytes, void* caller) {
  if (void* block = Plain(bytes, caller)) return block;
  throw std::bad_alloc();
}

void* Forward(const char* name, void* caller) {
  void* (*real)() = (void* (*)())dlsym(RTLD_NEXT, name);
  return Fails(caller) ? nullptr : real();
}
}  // namespace

#define CALLER __builtin_return_address(0)
void* operator new(size_t n) { return New(n, CALLER); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return Plain(n, CALLER); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return Plain(n, CALLER); }

extern "C" void* XAllocClassHint() { return Forward("XAllocClassHint", CALLER); }
extern "C" void* XAllocSizeHints() { return Forward("XAllocSizeHints", CALLER); }
extern "C" void* XAllocWMHints() { return Forward("XAllocWMHints", CALLER); }

// The soundfont load opens its file while it holds the synth's lock.
extern "C" FILE* fopen(const char* path, const char* mode) {
  static FILE* (*real)(const char*, const char*) =
      (FILE * (*)(const char*, const char*)) dlsym(RTLD_NEXT, "fopen");
  const char* fifo = getenv("SKELV_HOLD_SOUNDFONT");
  const size_t n = strlen(path);
  if (fifo && getpid() != gettid() && n > 4 && strncmp(path + n - 4, ".sf", 3) == 0)
    close(open(fifo, O_RDONLY));
  return real(path, mode);
}

// SKELV_DROP_X=1 drops the X connection (every socket) when the GL library
// loads its driver, in the middle of its first config query, as an X server
// dying while the window is being made does.
extern "C" void* dlopen(const char* path, int flags) {
  static void* (*real)(const char*, int) = (void* (*)(const char*, int))dlsym(RTLD_NEXT, "dlopen");
  struct stat file;
  for (int fd = 3; getenv("SKELV_DROP_X") && path && strstr(path, "_dri.so") && fd < 64; ++fd)
    if (fstat(fd, &file) == 0 && S_ISSOCK(file.st_mode)) shutdown(fd, SHUT_RDWR);
  return real(path, flags);
}
