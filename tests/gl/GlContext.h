// A real Mesa context for tests: a 640x480 double-buffered GLX window on the
// X server named by DISPLAY (the test script starts Xvfb), made current.
#pragma once

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <gtest/gtest.h>
#include <unistd.h>

class GlContext {
 public:
  GlContext(int width = 640, int height = 480) {
    // NOTE: under load Xvfb now and then resets a connection during the
    // set-up handshake; a short retry keeps that from failing a test.
    for (int attempt = 0; attempt < 5 && !display_; ++attempt) {
      if (attempt > 0) usleep(100 * 1000);
      display_ = XOpenDisplay(nullptr);
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
    // unloads Mesa's driver, and the few blocks the driver never frees would
    // then show up as leaks in the sanitizer build.
    XSync(display_, False);
  }
  bool ok() const { return context_ != nullptr; }
  void swap() { glXSwapBuffers(display_, window_); }

 private:
  Display* display_ = nullptr;
  Window window_ = 0;
  GLXContext context_ = nullptr;
};
