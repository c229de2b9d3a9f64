// Start-up benchmark: the time from exec to the return of the first buffer
// swap, for the real program and for bare_gl (a window and one cleared frame
// through the same platform layer and process entry: the least a program of
// ours does), run by turns in the same session so a busy machine slows them
// alike. Prints the medians and the ratio; bare_glx, the same on Xlib and GLX
// alone, shows the floor under both. The first swap is caught by preloading
// first_swap.so, which reports the moment and ends the process there.
//
// Usage, from anywhere, with DISPLAY set:
//   ./startup_bench [runs of each, default 15] [absolute path of the program, default build/skelv]
// Exits with 2 when the program takes more than twice as long as bare_gl.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "Median.h"

extern char** environ;

namespace {

const double kTarget = 2.0;
const int kTimeoutMs = 20000;

long long NowNs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

// Milliseconds from just before the exec to the return of the first swap, or
// a negative value when the program never got there.
double ExecToFirstSwapMs(const char* program, const std::string& directory) {
  int report[2];
  if (pipe(report) != 0) return -1;
  fcntl(report[0], F_SETFD, FD_CLOEXEC);
  const std::string preload = std::string("LD_PRELOAD=") + SKELV_FIRST_SWAP;
  const std::string fd = "SKELV_FIRST_SWAP_FD=" + std::to_string(report[1]);
  std::vector<char*> environment;
  for (char** e = environ; *e; ++e) environment.push_back(*e);
  environment.push_back((char*)preload.c_str());
  environment.push_back((char*)fd.c_str());
  environment.push_back(nullptr);

  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    if (chdir(directory.c_str()) != 0) _exit(127);
    dprintf(report[1], "%lld\n", NowNs());
    char* argv[] = {(char*)program, nullptr};
    execve(program, argv, environment.data());
    _exit(127);
  }
  close(report[1]);
  std::string text;
  char buffer[64];
  pollfd readable = {report[0], POLLIN, 0};
  while (poll(&readable, 1, kTimeoutMs) > 0) {
    const ssize_t n = read(report[0], buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, (size_t)n);
  }
  close(report[0]);
  kill(child, SIGKILL);  // a program that did not swap in time
  waitpid(child, nullptr, 0);
  long long start = 0, swapped = 0;
  if (sscanf(text.c_str(), "%lld %lld", &start, &swapped) != 2) return -1;
  return (swapped - start) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
  // The program runs in a folder of its own, with links to the data files,
  // so its logs land there and not in the build folder.
  char folder[] = "/tmp/startup_bench.XXXXXX";
  if (!mkdtemp(folder)) return 1;
  std::istringstream dataFiles(SKELV_DATA_FILES);  // the names, separated by spaces
  for (std::string file; dataFiles >> file;) {
    const std::string from = std::string(SKELV_BUILD_DIR) + "/" + file;
    if (symlink(from.c_str(), (std::string(folder) + "/" + file).c_str()) != 0) return 1;
  }

  const char* const programs[] = {argc > 2 ? argv[2] : SKELV_PROGRAM, SKELV_BARE_GL,
                                  SKELV_BARE_GLX};
  std::vector<double> times[3];
  bool failed = false;
  for (int run = -1; run < runs; ++run) {  // run -1 warms the caches up
    for (int p = 0; p < 3; ++p) {
      const double ms = ExecToFirstSwapMs(programs[p], folder);
      failed = failed || ms < 0;
      if (run >= 0) times[p].push_back(ms);
    }
  }
  if (system((std::string("rm -rf ") + folder).c_str()) != 0)
    fprintf(stderr, "startup_bench: %s left behind\n", folder);
  if (failed) {
    fprintf(stderr, "startup_bench: a program did not reach its first swap (is DISPLAY set?)\n");
    return 1;
  }
  const char* const names[] = {"skelv", "bare_gl", "bare_glx"};
  printf("startup_bench: exec to first swap, median of %d runs each, taken by turns\n", runs);
  for (int p = 0; p < 3; ++p) {
    const std::vector<double>& t = times[p];
    printf("%-9s %8.1f ms  (%.1f to %.1f)\n", names[p], Median(t),
           *std::min_element(t.begin(), t.end()), *std::max_element(t.begin(), t.end()));
  }
  const double ratio = Median(times[0]) / Median(times[1]);
  printf("skelv / bare_gl  %5.2f  (target %.1f)\n", ratio, kTarget);
  printf("skelv / bare_glx %5.2f\n", Median(times[0]) / Median(times[2]));
  return ratio <= kTarget ? 0 : 2;
}
