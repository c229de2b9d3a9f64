/* Preloaded into a program under the start-up benchmark: when its first
   glXSwapBuffers returns, writes the CLOCK_MONOTONIC time in nanoseconds to
   the descriptor named by SKELV_FIRST_SWAP_FD and ends the process at once. */
#define _GNU_SOURCE
#include <GL/glx.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

void glXSwapBuffers(Display* display, GLXDrawable drawable) {
  void (*swap)(Display*, GLXDrawable) =
      (void (*)(Display*, GLXDrawable))dlsym(RTLD_NEXT, "glXSwapBuffers");
  if (swap) swap(display, drawable);
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  const char* fd = getenv("SKELV_FIRST_SWAP_FD");
  if (fd) dprintf(atoi(fd), "%lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
  _exit(0);
}
