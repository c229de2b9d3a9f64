// The process entry: opens the X display, then calls WinMain as the Windows
// start-up code does. Without a display the program cannot show its window
// and would never get a quit message, so it stops here with a clear message.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "x11_internal.h"

namespace {

// The image base of a Windows executable, which is its instance handle.
const uintptr_t kInstance = 0x400000;

const char* ProgramName(const char* path) {
  const char* slash = strrchr(path, '/');
  return slash ? slash + 1 : path;
}

// Text from outside (DISPLAY) as it may be shown on a terminal: control
// characters, the backslash and bytes above 126 are written as \xNN, and
// text longer than a display name ever is is cut after its start.
std::string Printable(const char* text) {
  const size_t kShown = 100;
  std::string out;
  size_t shown = 0;
  for (const unsigned char* p = (const unsigned char*)text; *p; ++p, ++shown) {
    if (shown == kShown) return out + "...";
    char escaped[5];
    snprintf(escaped, sizeof escaped, "\\x%02x", *p);
    out += *p >= 32 && *p < 127 && *p != '\\' ? std::string(1, (char)*p) : escaped;
  }
  return out;
}

// Runs before every module-level object, whose logs open files: descriptors
// 0 to 2 that whoever started us left closed are opened on /dev/null, so no
// log takes one of their numbers and standard-error text cannot land in a
// log. A write past the file-size limit (ulimit -f), or into a pipe whose
// reader has gone (stderr into `| head`), fails instead of killing the process.
__attribute__((constructor(101))) void PrepareProcess() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
      if (opened != fd && opened >= 0) close(opened);  // a lower one was opened first
    }
  }
  signal(SIGXFSZ, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
}

// An X server that accepts the connection and never answers (a hung one)
// would hold the open for good: after kDisplayWait the program gives up.
const unsigned kDisplayWait = 10;  // seconds
char g_noAnswer[256];

void OnNoAnswer(int) {
  const ssize_t written = write(STDERR_FILENO, g_noAnswer, strlen(g_noAnswer));
  (void)written;
  _exit(1);
}

bool OpenDisplayInTime(const char* program) {
  const char* name = getenv("DISPLAY");
  snprintf(g_noAnswer, sizeof g_noAnswer,
           "%s: cannot open X display '%s': the X server did not answer within %u s\n", program,
           Printable(name ? name : "").c_str(), kDisplayWait);
  signal(SIGALRM, OnNoAnswer);
  alarm(kDisplayWait);
  const bool opened = x11::TryOpenDisplay() != nullptr;
  alarm(0);
  signal(SIGALRM, SIG_DFL);
  return opened;
}

}  // namespace

int main(int, char** argv) {
  if (!OpenDisplayInTime(ProgramName(argv[0]))) {
    const char* name = getenv("DISPLAY");
    if (!name || !*name) {
      fprintf(stderr, "%s: cannot open an X display: DISPLAY is not set\n", ProgramName(argv[0]));
    } else if (x11::AtDescriptorLimit()) {
      fprintf(stderr, "%s: cannot open X display '%s': too many open files (see ulimit -n)\n",
              ProgramName(argv[0]), Printable(name).c_str());
    } else {
      fprintf(stderr, "%s: cannot open X display '%s' (is an X server running there?)\n",
              ProgramName(argv[0]), Printable(name).c_str());
    }
    return 1;
  }
  // The program takes no arguments and never reads its command line.
  char noArguments[] = "";
  return WinMain((HINSTANCE)kInstance, nullptr, noArguments, SW_SHOWNORMAL);
}
