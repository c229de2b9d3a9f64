// Asks an X window to close the way a window manager does: a WM_PROTOCOLS
// client message carrying WM_DELETE_WINDOW. Xvfb runs no window manager, so the
// tests send it themselves. Usage: send_wm_delete WINDOW_ID (decimal or 0x hex)
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: send_wm_delete WINDOW_ID\n");
    return 2;
  }
  char* end = nullptr;
  const Window window = strtoul(argv[1], &end, 0);
  if (end == argv[1] || *end != '\0' || window == 0) {
    fprintf(stderr, "send_wm_delete: bad window id '%s'\n", argv[1]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    fprintf(stderr, "send_wm_delete: cannot open display\n");
    return 1;
  }

  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
  event.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  XCloseDisplay(display);
  if (!sent) {
    fprintf(stderr, "send_wm_delete: the event could not be sent\n");
    return 1;
  }
  return 0;
}
