// The process entry: opens the X display, then calls WinMain as the Windows
// start-up code does. Without a display the program cannot show its window
// and would never get a quit message, so it stops here with a clear message.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "x11_internal.h"

namespace {

// The image base of a Windows executable, which is its instance handle.
const uintptr_t kInstance = 0x400000;

// The command line WinMain sees: the arguments after the program name.
std::string CommandLine(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    bool quote = strchr(argv[i], ' ') != nullptr || argv[i][0] == '\0';
    line += quote ? "\"" + std::string(argv[i]) + "\"" : argv[i];
  }
  return line;
}

const char* ProgramName(const char* path) {
  const char* slash = strrchr(path, '/');
  return slash ? slash + 1 : path;
}

}  // namespace

int main(int argc, char** argv) {
  if (!x11::TryOpenDisplay()) {
    const char* name = getenv("DISPLAY");
    if (!name || !*name) {
      fprintf(stderr, "%s: cannot open an X display: DISPLAY is not set\n", ProgramName(argv[0]));
    } else {
      fprintf(stderr, "%s: cannot open X display '%s' (is an X server running there?)\n",
              ProgramName(argv[0]), name);
    }
    return 1;
  }
  std::string commandLine = CommandLine(argc, argv);
  return WinMain((HINSTANCE)kInstance, nullptr, &commandLine[0], SW_SHOWNORMAL);
}
