// FluidSynth as the music objects set it up: quiet, with the synth settings
// of this platform, and the system's General MIDI soundfont.
#pragma once

#include <fluidsynth.h>

#include <string>

// Starts loading the FluidSynth library on a thread of its own, once per
// process; every FluidSynth call waits until it is loaded (or known missing).
void FluidStartLoading();

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
