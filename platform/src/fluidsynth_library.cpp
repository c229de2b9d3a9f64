// FluidSynth loaded when the music needs it, not at exec: the library and the
// fifty-odd it pulls in cost the start-up milliseconds before the first frame.
// The first FluidSynth call loads it (the set-up thread's, once the GL driver
// is in). Each function below forwards to the library's; without the library
// it fails as FluidSynth does when it cannot allocate, so the music stays off.
#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <fluidsynth.h>

#include <cstdio>
#include <mutex>

#include "fluidsynth_setup.h"

namespace {

const char kLibrary[] = "libfluidsynth.so.3";

std::once_flag g_loaded;
void* g_library = nullptr;

void* Library() {
  std::call_once(g_loaded, [] {
    g_library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!g_library) fprintf(stderr, "fluidsynth: cannot load %s: %s\n", kLibrary, dlerror());
  });
  return g_library;
}

void* Symbol(const char* name) {
  void* library = Library();
  return library ? dlsym(library, name) : nullptr;
}

}  // namespace

#define FLUID_FORWARD(result, name, params, args, failed)         \
  extern "C" result name params {                                 \
    static const auto function = (result(*) params)Symbol(#name); \
    return function ? function args : failed;                     \
  }

FLUID_FORWARD(fluid_settings_t*, new_fluid_settings, (void), (), nullptr)
FLUID_FORWARD(void, delete_fluid_settings, (fluid_settings_t * s), (s), (void)0)
FLUID_FORWARD(int, fluid_settings_setint, (fluid_settings_t * s, const char* n, int v), (s, n, v),
              FLUID_FAILED)
FLUID_FORWARD(int, fluid_settings_setnum, (fluid_settings_t * s, const char* n, double v),
              (s, n, v), FLUID_FAILED)
FLUID_FORWARD(int, fluid_settings_dupstr, (fluid_settings_t * s, const char* n, char** v),
              (s, n, v), FLUID_FAILED)
FLUID_FORWARD(void, fluid_free, (void* p), (p), (void)0)
FLUID_FORWARD(fluid_log_function_t, fluid_set_log_function,
              (int level, fluid_log_function_t f, void* data), (level, f, data), nullptr)
FLUID_FORWARD(int, fluid_is_soundfont, (const char* path), (path), 0)
FLUID_FORWARD(fluid_synth_t*, new_fluid_synth, (fluid_settings_t * s), (s), nullptr)
FLUID_FORWARD(void, delete_fluid_synth, (fluid_synth_t * s), (s), (void)0)
FLUID_FORWARD(int, fluid_synth_sfload, (fluid_synth_t * s, const char* path, int reset),
              (s, path, reset), FLUID_FAILED)
FLUID_FORWARD(int, fluid_synth_sfunload, (fluid_synth_t * s, int id, int reset), (s, id, reset),
              FLUID_FAILED)
FLUID_FORWARD(int, fluid_synth_all_notes_off, (fluid_synth_t * s, int channel), (s, channel),
              FLUID_FAILED)
FLUID_FORWARD(fluid_audio_driver_t*, new_fluid_audio_driver,
              (fluid_settings_t * s, fluid_synth_t* synth), (s, synth), nullptr)
FLUID_FORWARD(void, delete_fluid_audio_driver, (fluid_audio_driver_t * d), (d), (void)0)
FLUID_FORWARD(fluid_player_t*, new_fluid_player, (fluid_synth_t * s), (s), nullptr)
FLUID_FORWARD(void, delete_fluid_player, (fluid_player_t * p), (p), (void)0)
FLUID_FORWARD(int, fluid_player_add_mem, (fluid_player_t * p, const void* data, size_t size),
              (p, data, size), FLUID_FAILED)
FLUID_FORWARD(int, fluid_player_play, (fluid_player_t * p), (p), FLUID_FAILED)
FLUID_FORWARD(int, fluid_player_stop, (fluid_player_t * p), (p), FLUID_FAILED)
FLUID_FORWARD(int, fluid_player_set_playback_callback,
              (fluid_player_t * p, handle_midi_event_func_t h, void* d), (p, h, d), FLUID_FAILED)
// What the music tests read back of the synthesiser the performance made.
FLUID_FORWARD(int, fluid_synth_sfcount, (fluid_synth_t * s), (s), 0)
FLUID_FORWARD(int, fluid_synth_write_float,
              (fluid_synth_t * s, int n, void* l, int lo, int li, void* r, int ro, int ri),
              (s, n, l, lo, li, r, ro, ri), FLUID_FAILED)
// ALSA, which FluidSynth loads, only to quieten its messages.
FLUID_FORWARD(int, snd_lib_error_set_handler, (snd_lib_error_handler_t handler), (handler), 0)
