/* Preloaded into frame_bench: one allocation more in every real frame (the
   camera's look-at runs in the real frame only, never in the replay), which
   the benchmark's check must report. */
#define _GNU_SOURCE
#include <GL/glu.h>
#include <dlfcn.h>
#include <stdlib.h>

void gluLookAt(GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz,
               GLdouble ux, GLdouble uy, GLdouble uz) {
  void* volatile block = malloc(16); /* volatile: kept, though unused */
  free(block);
  void (*real)(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble,
               GLdouble) = dlsym(RTLD_NEXT, "gluLookAt");
  real(ex, ey, ez, cx, cy, cz, ux, uy, uz);
}
