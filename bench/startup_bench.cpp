// Start-up benchmark: from exec to the return of the first buffer swap, the
// wall time and the process's CPU time (all its threads), for the real
// program and for three references run by turns in the same session, so a
// busy machine slows them alike:
//   same_picture  the fair floor: the least a program does to show the same
//                 first picture (the same GLX config and window, state, data,
//                 textures and draws), on Xlib and GLX alone;
//   bare_gl       a window and one cleared frame through our platform layer;
//   bare_glx      the same on Xlib and GLX alone.
// The first frame costs the driver a one-off price (llvmpipe builds the
// variants of its shaders for the frame's states) that any program drawing
// this picture pays; only same_picture pays it too, so skelv is held to it.
// The first swap is caught by preloading first_swap.so, which reports both
// times and the context's GLX config and ends the process there.
//
// A warm-up round comes first. It records skelv's terrain draws (with
// record_draws.so) for same_picture to issue again, checks that both chose
// the same GLX config and drew the same picture, and warms each program's
// own Mesa shader cache, which every timed run then finds warm.
//
// Usage, from anywhere, with DISPLAY set to a bare X server:
//   ./startup_bench [timed rounds, default 15] [absolute path of the program, default build/skelv]
// Exits with 1 when a program does not reach its first swap or the pictures
// differ, and with 2 when skelv takes more than 1.05 times same_picture's CPU time.
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "Median.h"
#include "render/CCamera.h"

extern char** environ;

namespace {

const double kTarget = 1.05;  // skelv's CPU time over same_picture's
const int kTimeoutMs = 20000;
enum { kSkelv, kSamePicture, kBareGl, kBareGlx, kPrograms };
const char* const kNames[kPrograms] = {"skelv", "same_picture", "bare_gl", "bare_glx"};

long long NowNs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

// One run, from just before the exec to the return of the first swap.
struct Run {
  bool swapped = false;
  double wallMs = 0, cpuMs = 0;
  int config = 0;  // the GLX config ID of the context it swapped
};

// The environment with settings ("NAME=value") in place of inherited ones of
// the same names: the first of two equal names is the one a program sees.
std::vector<std::string> Environment(const std::vector<std::string>& settings) {
  std::vector<std::string> environment;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const std::string& s : settings)
      replaced = replaced || entry.compare(0, s.find('=') + 1, s, 0, s.find('=') + 1) == 0;
    if (!replaced) environment.push_back(entry);
  }
  environment.insert(environment.end(), settings.begin(), settings.end());
  return environment;
}

Run RunToFirstSwap(const char* program, const std::string& folder,
                   std::vector<std::string> settings) {
  Run run;
  int report[2];
  if (pipe(report) != 0) return run;
  fcntl(report[0], F_SETFD, FD_CLOEXEC);
  settings.push_back("SKELV_FIRST_SWAP_FD=" + std::to_string(report[1]));
  const std::vector<std::string> entries = Environment(settings);
  std::vector<char*> environment;
  for (const std::string& e : entries) environment.push_back((char*)e.c_str());
  environment.push_back(nullptr);

  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    if (chdir(folder.c_str()) != 0) _exit(127);
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
  long long start = 0, swapped = 0, cpu = 0;
  run.swapped = sscanf(text.c_str(), "%lld %lld %lld %d", &start, &swapped, &cpu, &run.config) == 4;
  run.wallMs = (swapped - start) / 1e6;
  run.cpuMs = cpu / 1e6;
  return run;
}

std::string ReadWhole(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Compares same_picture's first picture with skelv's; says how they differ.
bool SamePictures(const std::string& folder) {
  const std::string skelv = ReadWhole(folder + "/skelv.rgb");
  const std::string reference = ReadWhole(folder + "/same_picture.rgb");
  if (skelv.empty() || skelv.size() != reference.size()) {
    fprintf(stderr,
            "startup_bench: the pictures in %s have %zu and %zu bytes (skelv, same_picture)\n",
            folder.c_str(), skelv.size(), reference.size());
    return false;
  }
  size_t differing = 0;
  for (size_t i = 0; i < skelv.size(); i += 3)
    differing += skelv.compare(i, 3, reference, i, 3) != 0;
  if (differing == 0) return true;
  fprintf(stderr,
          "startup_bench: same_picture's first picture differs from skelv's in %zu of %zu pixels "
          "(kept as RGB, bottom row first: %s/skelv.rgb, %s/same_picture.rgb)\n",
          differing, skelv.size() / 3, folder.c_str(), folder.c_str());
  return false;
}

// NOTE: skelv steers its first frame by the pointer's distance from the
// screen point it steers from, so the pointer is held there: every run then
// shows the start pose. On a bare X server the window stands where it asked
// to be, at the root's origin, so the point is the same on the root.
bool HoldPointerAtCentre() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, kMouseCentreX, kMouseCentreY);
  XCloseDisplay(display);
  return true;
}

// What a run is given: its program's own shader cache and first_swap; in the
// warm-up also the picture files and skelv's recording of its draws.
std::vector<std::string> Settings(int program, bool warmUp, const std::string& folder) {
  std::vector<std::string> settings = {"MESA_SHADER_CACHE_DIR=" + folder + "/cache-" +
                                       kNames[program]};
  std::string preload = std::string("LD_PRELOAD=") + SKELV_FIRST_SWAP;
  if (warmUp && program <= kSamePicture)
    settings.push_back("SKELV_FIRST_SWAP_PICTURE=" + folder + "/" + kNames[program] + ".rgb");
  if (warmUp && program == kSkelv) {
    preload += std::string(":") + SKELV_RECORD_DRAWS;
    settings.push_back("SKELV_RECORD_DRAWS=" + folder + "/terrain_draws.txt");
  }
  settings.push_back(preload);
  return settings;
}

void RemoveFolder(const std::string& folder) {
  if (system(("rm -rf " + folder).c_str()) != 0)
    fprintf(stderr, "startup_bench: %s left behind\n", folder.c_str());
}

void PrintRow(const char* name, const std::vector<double>& wall, const std::vector<double>& cpu) {
  printf("%-13s %8.1f (%6.1f to %6.1f)   %8.1f (%6.1f to %6.1f)\n", name, Median(wall),
         *std::min_element(wall.begin(), wall.end()), *std::max_element(wall.begin(), wall.end()),
         Median(cpu), *std::min_element(cpu.begin(), cpu.end()),
         *std::max_element(cpu.begin(), cpu.end()));
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
  if (!HoldPointerAtCentre()) {
    fprintf(stderr, "startup_bench: cannot open the X display (is DISPLAY set?)\n");
    return 1;
  }
  // The programs run in a folder of their own, with links to the data files,
  // so the logs, the recording and the pictures land there.
  char folder[] = "/tmp/startup_bench.XXXXXX";
  if (!mkdtemp(folder)) return 1;
  std::istringstream dataFiles(SKELV_DATA_FILES);  // the names, separated by spaces
  for (std::string file; dataFiles >> file;) {
    const std::string from = std::string(SKELV_BUILD_DIR) + "/" + file;
    if (symlink(from.c_str(), (std::string(folder) + "/" + file).c_str()) != 0) return 1;
  }

  const char* const programs[kPrograms] = {argc > 2 ? argv[2] : SKELV_PROGRAM, SKELV_SAME_PICTURE,
                                           SKELV_BARE_GL, SKELV_BARE_GLX};
  std::vector<double> wall[kPrograms], cpu[kPrograms];
  for (int round = -1; round < rounds; ++round) {  // round -1 is the warm-up
    Run runs[kPrograms];
    for (int p = 0; p < kPrograms; ++p) {
      runs[p] = RunToFirstSwap(programs[p], folder, Settings(p, round < 0, folder));
      if (round < 0) continue;
      wall[p].push_back(runs[p].wallMs);
      cpu[p].push_back(runs[p].cpuMs);
    }
    bool failed = false;
    for (int p = 0; p < kPrograms; ++p) {
      if (runs[p].swapped) continue;
      fprintf(stderr, "startup_bench: %s did not reach its first swap\n", programs[p]);
      failed = true;
    }
    if (!failed && round < 0 && runs[kSkelv].config != runs[kSamePicture].config) {
      fprintf(stderr, "startup_bench: same_picture drew with GLX config 0x%x, skelv with 0x%x\n",
              runs[kSamePicture].config, runs[kSkelv].config);
      failed = true;
    }
    if (!failed && round < 0 && !SamePictures(folder)) return 1;  // the folder kept to look at
    if (failed) {
      RemoveFolder(folder);
      return 1;
    }
  }
  RemoveFolder(folder);

  printf("startup_bench: exec to first swap, median (min to max) of %d rounds, taken by turns\n",
         rounds);
  printf("%-13s %-27s   %s\n", "", "wall ms", "CPU ms (all threads)");
  for (int p = 0; p < kPrograms; ++p) PrintRow(kNames[p], wall[p], cpu[p]);
  double cpuRatio = 0;
  for (int p = kSamePicture; p < kPrograms; ++p) {
    const double byCpu = Median(cpu[kSkelv]) / Median(cpu[p]);
    if (p == kSamePicture) cpuRatio = byCpu;
    printf("skelv / %-13s by CPU %5.2f, by wall %5.2f", kNames[p], byCpu,
           Median(wall[kSkelv]) / Median(wall[p]));
    if (p == kSamePicture) printf("  (target by CPU %.2f)", kTarget);
    printf("\n");
  }
  return cpuRatio <= kTarget ? 0 : 2;
}
