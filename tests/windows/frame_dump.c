/* Preloaded into the Linux build by the Windows test: just before each of the
   first SKELV_FRAME_DUMP_COUNT swaps, writes the frame as drawn to
   SKELV_FRAME_DUMP_DIR/frame-N.ppm (N from 1). The camera flies a fixed step
   a frame, so frame N of every build shows the same picture, however fast
   each build draws. */
#define _GNU_SOURCE
#include <GL/gl.h>
#include <GL/glx.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

static void Dump(Display* display, GLXDrawable drawable, const char* path) {
  unsigned int width = 0, height = 0;
  glXQueryDrawable(display, drawable, GLX_WIDTH, &width);
  glXQueryDrawable(display, drawable, GLX_HEIGHT, &height);
  unsigned char* pixels = malloc((size_t)width * height * 3 + 1);
  FILE* out = pixels ? fopen(path, "wb") : NULL;
  if (out) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, (GLsizei)width, (GLsizei)height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    fprintf(out, "P6\n%u %u\n255\n", width, height);
    for (unsigned int row = height; row-- > 0;)
      fwrite(pixels + (size_t)row * width * 3, 3, width, out);
    fclose(out);
  }
  free(pixels);
}

void glXSwapBuffers(Display* display, GLXDrawable drawable) {
  static int frame = 0;
  const char* dir = getenv("SKELV_FRAME_DUMP_DIR");
  const char* count = getenv("SKELV_FRAME_DUMP_COUNT");
  if (dir && count && ++frame <= atoi(count)) {
    char path[4096];
    snprintf(path, sizeof path, "%s/frame-%d.ppm", dir, frame);
    Dump(display, drawable, path);
  }
  void (*swap)(Display*, GLXDrawable) =
      (void (*)(Display*, GLXDrawable))dlsym(RTLD_NEXT, "glXSwapBuffers");
  if (swap) swap(display, drawable);
}
