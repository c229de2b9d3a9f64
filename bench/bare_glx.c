/* The least a GL program on Xlib and GLX does before its first frame: opens the display,
   creates and maps a 640x480 double-buffered RGBA window with a depth buffer,
   waits until it is mapped, makes a context current, clears and swaps. The
   floor under the start-up benchmark's figures. */
#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <stdio.h>

int main(void) {
  Display* display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "bare_glx: cannot open the X display\n");
    return 1;
  }
  int attributes[] = {
      GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8,   GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE,
      8,        GLX_DEPTH_SIZE,   24,           None};
  XVisualInfo* visual = glXChooseVisual(display, DefaultScreen(display), attributes);
  if (!visual) {
    fprintf(stderr, "bare_glx: no double-buffered RGBA visual\n");
    return 1;
  }
  Window root = RootWindow(display, visual->screen);
  XSetWindowAttributes window = {0};
  window.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
  window.event_mask = StructureNotifyMask;
  Window xwindow = XCreateWindow(display, root, 0, 0, 640, 480, 0, visual->depth, InputOutput,
                                 visual->visual, CWColormap | CWEventMask, &window);
  XStoreName(display, xwindow, "bare_gl");
  XMapWindow(display, xwindow);
  XEvent event;
  do XNextEvent(display, &event);
  while (event.type != MapNotify);
  GLXContext context = glXCreateContext(display, visual, NULL, True);
  glXMakeCurrent(display, xwindow, context);
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glXSwapBuffers(display, xwindow);
  glXDestroyContext(display, context);
  XCloseDisplay(display);
  return 0;
}
