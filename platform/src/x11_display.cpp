// The X connection shared by user32 and wgl: opening it, the atoms, the X
// error handler and error traps, handles and the clock. One connection for
// the process, used from the thread that opened it.
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "x11_internal.h"

namespace x11 {
namespace {

struct Connection {
  Display* display = nullptr;
  bool tried = false;
  Atoms atoms = {};
};

Connection& State() {
  // Never destroyed: X calls may still come from static destructors.
  static Connection* connection = new Connection();
  return *connection;
}

// 0 when no trap is open, -1 when one is open and nothing was caught yet.
int g_trappedCode = 0;

// An error that repeats the one before (a failing call made every frame) is
// counted instead of printed; the count is printed when another error comes
// or the process ends.
struct RepeatedError {
  int code = -1, request = -1, minor = -1;
  long repeats = 0;
};
RepeatedError g_lastError;

void PrintRepeats() {
  if (g_lastError.repeats > 0)
    Report("x11", "the X error above came %ld more times", g_lastError.repeats);
  g_lastError.repeats = 0;
}

int OnXError(Display* display, XErrorEvent* error) {
  if (g_trappedCode == -1) {
    g_trappedCode = error->error_code;
    return 0;
  }
  RepeatedError& last = g_lastError;
  if (error->error_code == last.code && error->request_code == last.request &&
      error->minor_code == last.minor) {
    ++last.repeats;
    return 0;
  }
  PrintRepeats();
  last.code = error->error_code;
  last.request = error->request_code;
  last.minor = error->minor_code;
  char text[256];
  XGetErrorText(display, error->error_code, text, sizeof text);
  Report("x11", "X error: %s (request %d.%d, resource 0x%lx)", text, error->request_code,
         error->minor_code, error->resourceid);
  return 0;
}

int OnConnectionLost(Display* display) {
  // The key mapping watcher's own connection goes with the main one; the
  // main thread says it once and ends the process.
  if (display != State().display)
    for (;;) pause();
  // Xlib ends the process when this returns; say why first.
  Report("x11", "lost the connection to the X display");
  return 0;
}

void InternAtoms(Display* display, Atoms& atoms) {
  atoms.wmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
  atoms.wmDeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  atoms.netWmPid = XInternAtom(display, "_NET_WM_PID", False);
  atoms.netWmName = XInternAtom(display, "_NET_WM_NAME", False);
  atoms.utf8String = XInternAtom(display, "UTF8_STRING", False);
}

}  // namespace

Display* TryOpenDisplay() {
  Connection& state = State();
  if (state.tried) return state.display;
  state.tried = true;

  XInitThreads();  // Mesa may talk to the server from its own threads
  Display* display = XOpenDisplay(nullptr);
  if (!display) return nullptr;
  XSetErrorHandler(OnXError);
  atexit(PrintRepeats);
  XSetIOErrorHandler(OnConnectionLost);
  // Held keys repeat as presses only, as on Windows, not release/press pairs.
  Bool detectable = False;
  XkbSetDetectableAutoRepeat(display, True, &detectable);
  InternAtoms(display, state.atoms);
  OpenInputMethod(display);
  state.display = display;
  return display;
}

Display* GetDisplay() {
  bool reported = State().tried;
  Display* display = TryOpenDisplay();
  if (!display && !reported) Report("x11", "cannot open display '%s'", XDisplayName(nullptr));
  return display;
}

Window RootWindowOf() {
  Display* display = State().display;
  return display ? DefaultRootWindow(display) : 0;
}

const Atoms& GetAtoms() { return State().atoms; }

// Xwayland names its outputs after itself ("XWAYLAND0"); it has no other mark.
bool OnXwayland() {
  static int answer = -1;
  Display* display = State().display;
  if (answer != -1 || !display) return answer == 1;
  answer = 0;
  int event, error;
  if (!XRRQueryExtension(display, &event, &error)) return false;
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, RootWindowOf());
  for (int i = 0; resources && i < resources->noutput && answer == 0; ++i) {
    if (XRROutputInfo* output = XRRGetOutputInfo(display, resources, resources->outputs[i])) {
      answer = strncmp(output->name, "XWAYLAND", 8) == 0;
      XRRFreeOutputInfo(output);
    }
  }
  if (resources) XRRFreeScreenResources(resources);
  return answer == 1;
}

void Report(const char* prefix, const char* format, ...) {
  char message[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(message, sizeof message, format, args);
  va_end(args);
  fprintf(stderr, "%s: %s\n", prefix, message);
}

ErrorTrap::ErrorTrap() : m_previousCode(g_trappedCode), m_finished(false) {
  if (State().display) XSync(State().display, False);  // earlier errors are not ours
  g_trappedCode = -1;
}

int ErrorTrap::Finish() {
  if (!m_finished) {
    if (State().display) XSync(State().display, False);
    m_finished = true;
  }
  return g_trappedCode == -1 ? 0 : g_trappedCode;
}

ErrorTrap::~ErrorTrap() {
  Finish();
  g_trappedCode = m_previousCode;
}

bool AtDescriptorLimit() {
  const int probe = open("/dev/null", O_RDONLY);
  if (probe >= 0) close(probe);
  return probe < 0 && errno == EMFILE;
}

uintptr_t NewHandle() {
  static uintptr_t next = 0;
  return ++next;
}

DWORD TickCount() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (DWORD)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

}  // namespace x11
