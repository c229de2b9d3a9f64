/* Preloaded, with first_swap, into the program's warm-up run under the
   start-up benchmark: writes the indexed draws of its first frame to the
   file named by SKELV_RECORD_DRAWS, one call a line, for same_picture to
   issue again:
     bind TARGET TEXTURE     glBindTexture
     colour R G B            glColor3ub
     draw MODE COUNT TYPE FIRST   glDrawElements; FIRST is the first index's value
   A texture bind opens a group of calls and a group is written only once it
   draws, so the binds and colours of the immediate-mode sky box and logo are
   left out and those of every terrain leaf kept. Each line is written at
   once: first_swap ends the process without flushing anything. */
#define _GNU_SOURCE
#include <GL/gl.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int g_file = -1;
static char g_group[256]; /* the open group's calls, not yet written */

static int File(void) {
  if (g_file == -1) {
    const char* path = getenv("SKELV_RECORD_DRAWS");
    g_file = path ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -2;
  }
  return g_file;
}

static void* Next(const char* name) { return dlsym(RTLD_NEXT, name); }

static void AddToGroup(const char* line) {
  if (strlen(g_group) + strlen(line) < sizeof g_group) strcat(g_group, line);
}

void glBindTexture(GLenum target, GLuint texture) {
  snprintf(g_group, sizeof g_group, "bind %u %u\n", target, texture);
  ((void (*)(GLenum, GLuint))Next("glBindTexture"))(target, texture);
}

void glColor3ub(GLubyte red, GLubyte green, GLubyte blue) {
  char line[32];
  snprintf(line, sizeof line, "colour %u %u %u\n", red, green, blue);
  AddToGroup(line);
  ((void (*)(GLubyte, GLubyte, GLubyte))Next("glColor3ub"))(red, green, blue);
}

void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
  const unsigned first = type == GL_UNSIGNED_INT && count > 0 ? *(const GLuint*)indices : 0;
  if (File() >= 0) {
    dprintf(g_file, "%s", g_group);
    dprintf(g_file, "draw %u %d %u %u\n", mode, count, type, first);
  }
  g_group[0] = '\0';
  ((void (*)(GLenum, GLsizei, GLenum, const void*))Next("glDrawElements"))(mode, count, type,
                                                                           indices);
}
