// FluidSynth as the music objects set it up: quiet, with the synth settings
// of this platform, and the system's General MIDI soundfont.
#pragma once

#include <fluidsynth.h>

#include <string>

// What a performance plays through: its settings, synth, first player (made
// before the audio output runs) and audio output; null where one could not be made.
struct FluidObjects {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_player_t* player = nullptr;
  fluid_audio_driver_t* driver = nullptr;
};

// New settings, synth and first player; the audio output is left to the caller.
FluidObjects FluidNewObjects();

// Starts, once per process, a thread that makes the first performance's
// objects as soon as the GL driver is in: beside the scene's loading rather
// than on the main thread's way to the first frame.
void FluidStartPreparing();

// The prepared objects, waited for while they are being made; false when none
// will be (no GL context was asked for yet, or they were taken), and the
// caller makes its own.
bool FluidTakePrepared(FluidObjects* objects);

// New FluidSynth settings for one performance (the caller deletes them). The
// audio driver and device are left at FluidSynth's defaults: the system's
// default audio output.
fluid_settings_t* FluidNewSettings();

// Keeps FluidSynth's and GLib's messages from the calling thread off stderr.
void FluidQuietThisThread(bool quiet);

// What the user is told when no soundfont can be found or loaded.
const char kNoSoundFont[] =
    "fluidsynth: no usable General MIDI soundfont was found; the music stays silent "
    "(the package fluid-soundfont-gm provides one)\n";

// The system's General MIDI soundfont, or an empty string when none is installed.
std::string FluidFindGmSoundFont(fluid_settings_t* settings);
