/* Preloaded into the program by the desktop tests: at each gluLookAt (one a
   frame) writes "frames yaw pitch" over SKELV_LOOK_AT, yaw the view's heading
   in radians and pitch the target's height over the eye, so a test reads how
   far the pointer has steered the camera. */
#define _GNU_SOURCE
#include <GL/glu.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
  static int fd = -2;
  static long frames = 0;
  if (fd == -2) {
    const char* path = getenv("SKELV_LOOK_AT");
    fd = path ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
  }
  if (fd >= 0) {
    char line[96];
    int n = snprintf(line, sizeof line, "%12ld %+10.6f %+12.6f\n", ++frames,
                     atan2(centerZ - eyeZ, centerX - eyeX), centerY - eyeY);
    if (n > 0 && pwrite(fd, line, (size_t)n, 0) < 0) fd = -1;
  }
  void (*real)(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble,
               GLdouble) = dlsym(RTLD_NEXT, "gluLookAt");
  if (real) real(eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ);
}
