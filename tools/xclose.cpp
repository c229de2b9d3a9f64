// xclose <window id>: asks a window to close the way a window manager's close
// button does, with a WM_DELETE_WINDOW client message. (xdotool's windowclose
// destroys the window instead, which no program gets to react to.)
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: xclose <window id>\n");
    return 2;
  }
  char* end = nullptr;
  Window window = strtoul(argv[1], &end, 0);
  if (!end || *end || window == 0) {
    fprintf(stderr, "xclose: '%s' is not a window id\n", argv[1]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    fprintf(stderr, "xclose: cannot open display '%s'\n", XDisplayName(nullptr));
    return 1;
  }
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
  event.xclient.data.l[1] = CurrentTime;
  Status sent = XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  XCloseDisplay(display);
  return sent ? 0 : 1;
}
