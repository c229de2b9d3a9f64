/* Preloaded into a program under the start-up benchmark: when its first
   glXSwapBuffers returns, writes to the descriptor named by SKELV_FIRST_SWAP_FD
   the CLOCK_MONOTONIC time and the process's CPU time (all threads), both in
   nanoseconds, and the GLX config ID of the current context, then ends the
   process at once. When SKELV_FIRST_SWAP_PICTURE names a file, the window's
   picture is read from the back buffer into it first, as RGB bytes, bottom
   row first. */
#define _GNU_SOURCE
#include <GL/glx.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static long long Nanoseconds(clockid_t clock) {
  struct timespec now;
  clock_gettime(clock, &now);
  return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

/* The whole window, which may be smaller than the program's viewport. */
static void WritePicture(Display* display, GLXDrawable drawable, const char* path) {
  Window root;
  int x, y;
  unsigned width, height, border, depth;
  if (!XGetGeometry(display, drawable, &root, &x, &y, &width, &height, &border, &depth)) return;
  unsigned char* pixels = malloc((size_t)width * height * 3);
  FILE* file = fopen(path, "wb");
  if (pixels && file) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, (GLsizei)width, (GLsizei)height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    fwrite(pixels, 3, (size_t)width * height, file);
  }
  if (file) fclose(file);
  free(pixels);
}

void glXSwapBuffers(Display* display, GLXDrawable drawable) {
  void (*swap)(Display*, GLXDrawable) =
      (void (*)(Display*, GLXDrawable))dlsym(RTLD_NEXT, "glXSwapBuffers");
  const char* picture = getenv("SKELV_FIRST_SWAP_PICTURE");
  if (picture) WritePicture(display, drawable, picture);
  if (swap) swap(display, drawable);
  const long long wall = Nanoseconds(CLOCK_MONOTONIC);
  const long long cpu = Nanoseconds(CLOCK_PROCESS_CPUTIME_ID);
  int config = 0;
  if (glXGetCurrentContext())
    glXQueryContext(display, glXGetCurrentContext(), GLX_FBCONFIG_ID, &config);
  const char* fd = getenv("SKELV_FIRST_SWAP_FD");
  if (fd) dprintf(atoi(fd), "%lld %lld %d\n", wall, cpu, config);
  _exit(0);
}
