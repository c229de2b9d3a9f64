// A real Mesa context for tests: a 640x480 double-buffered GLX window on the
// X server named by DISPLAY (the test script starts Xvfb), made current.
#pragma once

#include <unistd.h>

// gtest first: Xlib defines None, Bool and Status as macros, which break gtest's headers.
#include <gtest/gtest.h>

#include <GL/glx.h>
#include <X11/Xlib.h>

class GlContext {
 public:
  GlContext(int width = 640, int height = 480) {
    // NOTE: a busy X server can refuse a connection for a moment (EAGAIN on a
    // full listen queue), so the first attempts may fail.
    for (int attempt = 0; attempt < 50 && !display_; ++attempt) {
      display_ = XOpenDisplay(nullptr);
      if (!display_) usleep(20000);
    }
    if (!display_) return;
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8,
                        GLX_BLUE_SIZE, 8, GLX_DEPTH_SIZE, 24, None};
    XVisualInfo* visual = glXChooseVisual(display_, DefaultScreen(display_), attributes);
    if (!visual) return;
    Window rootWindow = RootWindow(display_, visual->screen);
    XSetWindowAttributes windowAttributes = {};
    windowAttributes.colormap = XCreateColormap(display_, rootWindow, visual->visual, AllocNone);
    window_ = XCreateWindow(display_, rootWindow, 0, 0, width, height, 0, visual->depth,
                            InputOutput, visual->visual, CWColormap, &windowAttributes);
    XMapWindow(display_, window_);
    XSync(display_, False);
    context_ = glXCreateContext(display_, visual, nullptr, True);
    XFree(visual);
    if (context_) glXMakeCurrent(display_, window_, context_);
  }
  ~GlContext() {
    if (!display_) return;
    if (context_) {
      glXMakeCurrent(display_, None, nullptr);
      glXDestroyContext(display_, context_);
    }
    if (window_) XDestroyWindow(display_, window_);
    // NOTE: the connection stays open until the process exits. Closing it
    // unloads Mesa's driver, and the few blocks its rasteriser never frees
    // would then show up as leaks in the sanitizer build.
    XSync(display_, False);
  }
  bool ok() const { return context_ != nullptr; }
  void swap() { glXSwapBuffers(display_, window_); }

 private:
  Display* display_ = nullptr;
  Window window_ = 0;
  GLXContext context_ = nullptr;
};
