// FluidSynth set-up shared by the performance: settings, message routing and
// the search for the General MIDI soundfont.
#include "fluidsynth_setup.h"

#include <alsa/asoundlib.h>

#include <dlfcn.h>
#include <unistd.h>

#include <pthread.h>

#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "first_frame.h"

namespace {

// While a thread looks for or loads the soundfont, the libraries' own messages
// (a line for every path tried, a corrupt file's details) stay off the
// terminal: the caller says in one line what it means for the music.
thread_local bool t_quiet = false;

// FluidSynth's errors are platform trouble: they go to stderr with our prefix.
void PrintFluidError(int, const char* message, void*) {
  if (!t_quiet) fprintf(stderr, "fluidsynth: %s\n", message);
}

// GLib's own messages (the soundfont reader's warnings): only the quiet
// threads' are dropped.
typedef void (*GlibLogHandler)(const char*, int, const char*, void*);
GlibLogHandler g_glibDefault = nullptr;
void PassGlibMessage(const char* domain, int level, const char* message, void* data) {
  if (!t_quiet && g_glibDefault) g_glibDefault(domain, level, message, data);
}

// GLib came in with FluidSynth, so it is there to be asked.
void QuietGlib() {
  typedef GlibLogHandler (*SetHandler)(GlibLogHandler, void*);
  void* glib = dlopen("libglib-2.0.so.0", RTLD_LAZY | RTLD_NOLOAD);
  if (!glib) return;
  const auto set = (SetHandler)dlsym(glib, "g_log_set_default_handler");
  g_glibDefault = (GlibLogHandler)dlsym(glib, "g_log_default_handler");
  if (set && g_glibDefault) set(PassGlibMessage, nullptr);
  dlclose(glib);
}

// NOTE: ALSA prints several lines of its own for every device it cannot open
// (on a machine without a sound card: every run). FluidSynth already reports
// the failure, so ALSA's lines are dropped.
void DropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

// Routes FluidSynth's messages once per process: errors to stderr, and its
// warnings, information and debug messages (preset substitutions, driver
// details) nowhere, as they are noise to a user of the demo. A panic keeps
// FluidSynth's own handler, which prints it on stderr too.
void QuietFluidSynth() {
  static bool done = false;
  if (done) return;
  done = true;
  fluid_set_log_function(FLUID_ERR, PrintFluidError, nullptr);
  fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
  fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
  fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
  snd_lib_error_set_handler(DropAlsaMessage);
  QuietGlib();
}

bool IsSoundFont(const std::string& path) {
  return !path.empty() && access(path.c_str(), R_OK) == 0 && fluid_is_soundfont(path.c_str());
}

// The first performance's objects, from FluidStartPreparing to FluidTakePrepared.
enum class Preparation { kNone, kWaiting, kMaking, kReady, kTaken };
struct Prepared {
  std::mutex lock;
  std::condition_variable changed;
  Preparation state = Preparation::kNone;
  FluidObjects objects;
};

// Never destroyed, as the thread may outlive every other object.
Prepared& Shared() {
  static Prepared* const prepared = new Prepared();
  return *prepared;
}

void* Prepare(void*) {
  Prepared& p = Shared();
  {
    std::lock_guard<std::mutex> hold(p.lock);
    if (p.state != Preparation::kWaiting) return nullptr;  // taken before it began
    p.state = Preparation::kMaking;
  }
  FluidObjects made = FluidNewObjects();
  if (made.synth) made.driver = new_fluid_audio_driver(made.settings, made.synth);
  std::lock_guard<std::mutex> hold(p.lock);
  p.objects = made;
  p.state = Preparation::kReady;
  p.changed.notify_all();
  return nullptr;
}

void StartPreparing() {
  pthread_t thread;
  if (pthread_create(&thread, nullptr, Prepare, nullptr) == 0) {
    pthread_detach(thread);
    return;
  }
  Prepared& p = Shared();  // no thread: every performance makes its own
  std::lock_guard<std::mutex> hold(p.lock);
  if (p.state == Preparation::kWaiting) p.state = Preparation::kTaken;
}

}  // namespace

void FluidStartPreparing() {
  Prepared& p = Shared();
  {
    std::lock_guard<std::mutex> hold(p.lock);
    if (p.state != Preparation::kNone) return;
    p.state = Preparation::kWaiting;
  }
  // NOTE: loading FluidSynth holds the dynamic loader's lock, which the GL
  // driver's own load would wait for.
  AfterGlDriver(StartPreparing);
}

bool FluidTakePrepared(FluidObjects* objects) {
  Prepared& p = Shared();
  std::unique_lock<std::mutex> hold(p.lock);
  if (p.state == Preparation::kWaiting) {
    p.state = Preparation::kTaken;  // too early: the caller makes its own
    return false;
  }
  p.changed.wait(hold, [&] { return p.state != Preparation::kMaking; });
  if (p.state != Preparation::kReady) return false;
  *objects = p.objects;
  p.state = Preparation::kTaken;
  return true;
}

fluid_settings_t* FluidNewSettings() {
  QuietFluidSynth();
  fluid_settings_t* settings = new_fluid_settings();
  if (settings == nullptr) return nullptr;
  // Samples are read when a program first selects them, so a download costs a
  // fraction of a second instead of reading the whole General MIDI set.
  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
  fluid_settings_setnum(settings, "synth.gain", 0.6);
  return settings;
}

FluidObjects FluidNewObjects() {
  FluidObjects made;
  made.settings = FluidNewSettings();
  made.synth = made.settings ? new_fluid_synth(made.settings) : nullptr;
  // The first player is made before any audio driver runs: see StopPlaying.
  if (made.synth) made.player = new_fluid_player(made.synth);
  return made;
}

void FluidQuietThisThread(bool quiet) { t_quiet = quiet; }

std::string FluidFindGmSoundFont(fluid_settings_t* settings) {
  // The soundfont FluidSynth was built to use, then the places Linux
  // distributions install a General MIDI set (Debian's default-GM is the
  // alternatives link to the preferred one).
  std::string configured;
  char* value = nullptr;
  if (settings && fluid_settings_dupstr(settings, "synth.default-soundfont", &value) == FLUID_OK &&
      value) {
    configured = value;
    fluid_free(value);
  }
  const char* const known[] = {
      "/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
      "/usr/share/soundfonts/default.sf2",    "/usr/share/soundfonts/FluidR3_GM.sf2",
      "/usr/share/sounds/sf3/default-GM.sf3", "/usr/share/soundfonts/FluidR3_GM.sf3",
  };
  if (IsSoundFont(configured)) return configured;
  for (const char* path : known)
    if (IsSoundFont(path)) return path;
  return {};
}
