// The generated "Duridaz.mid": a deterministic type 1 file that FluidSynth,
// with the platform's settings and soundfont, plays as a piece for a band
// with drums: long enough, audible throughout, and unclipped.
#include <set>

#include "MusicTestSupport.h"
#include "platform/src/fluidsynth_setup.h"

namespace {

const std::string kMusicPath = SKELV_BUILD_DIR "/Duridaz.mid";

TEST(MusicFile, GeneratorIsDeterministic) {
  ScratchDirectory dir("MusicFile_Generator");
  ASSERT_EQ(0, std::system(SKELV_BUILD_DIR "/make_music again.mid"));
  EXPECT_TRUE(ReadWholeFile(kMusicPath) == ReadWholeFile("again.mid"));
}

// What the player sends to the synth.
struct Heard {
  fluid_synth_t* synth = nullptr;
  std::set<int> programmedChannels, melodicPitches;
  int drumHits = 0;
};

int Listen(void* data, fluid_midi_event_t* event) {
  Heard* heard = static_cast<Heard*>(data);
  int type = fluid_midi_event_get_type(event), channel = fluid_midi_event_get_channel(event);
  if (type == 0xC0) heard->programmedChannels.insert(channel);
  if (type == 0x90 && fluid_midi_event_get_velocity(event) > 0) {
    if (channel == 9) ++heard->drumHits;
    if (channel != 9) heard->melodicPitches.insert(fluid_midi_event_get_key(event));
  }
  return fluid_synth_handle_midi_event(heard->synth, event);
}

// Plays the whole piece offline. Half the output rate keeps the test quick;
// levels come out within about 2 dB of the real rate's, and the limits leave
// that much room.
TEST(MusicFile, PlaysAsABandPieceThatIsSteadyAndUnclipped) {
  const std::string file = ReadWholeFile(kMusicPath);
  ASSERT_GT(file.size(), 14u);
  EXPECT_EQ(0, file.compare(0, 4, "MThd"));
  EXPECT_EQ(1, file[9]) << "type 1";
  EXPECT_GE(file[11], 5) << "tracks";

  const int rate = 22050, block = 1024;
  fluid_settings_t* settings = FluidNewSettings();
  fluid_settings_setstr(settings, "player.timing-source", "sample");
  fluid_settings_setnum(settings, "synth.sample-rate", rate);
  Heard heard;
  heard.synth = new_fluid_synth(settings);
  std::string soundFont = FluidFindGmSoundFont(settings);
  ASSERT_FALSE(soundFont.empty()) << "no General MIDI soundfont installed";
  ASSERT_NE(FLUID_FAILED, fluid_synth_sfload(heard.synth, soundFont.c_str(), 1));
  fluid_player_t* player = new_fluid_player(heard.synth);
  fluid_player_set_playback_callback(player, Listen, &heard);
  ASSERT_EQ(FLUID_OK, fluid_player_add(player, kMusicPath.c_str()));
  fluid_player_play(player);
  std::vector<int16_t> samples, buffer(2 * block);
  while (fluid_player_get_status(player) == FLUID_PLAYER_PLAYING && samples.size() < 600u * rate) {
    fluid_synth_write_s16(heard.synth, block, buffer.data(), 0, 2, buffer.data(), 1, 2);
    samples.insert(samples.end(), buffer.begin(), buffer.end());
  }
  delete_fluid_player(player);
  delete_fluid_synth(heard.synth);
  delete_fluid_settings(settings);

  EXPECT_GE(heard.programmedChannels.size(), 4u) << "General MIDI instruments for the parts";
  EXPECT_GE(heard.drumHits, 200) << "percussion on channel 10";
  EXPECT_GE(heard.melodicPitches.size(), 20u);

  AudioFacts audio = AudioFacts::Of(samples, rate);
  printf("played %.1f s, first sound at %.3f s, peak %d\n", audio.seconds, audio.firstSound,
         audio.peak);
  EXPECT_GE(audio.firstSound, 0.0);
  EXPECT_LT(audio.firstSound, 1.0);
  EXPECT_LT(audio.peak, 26000) << "no headroom";
  EXPECT_GT(audio.peak, 6500) << "too quiet";
  // Every 2.5-second window of the first 100 seconds carries music.
  const size_t window = 2 * rate * 5 / 2;
  ASSERT_GE(samples.size(), 40 * window);
  for (size_t at = 0; at < 40 * window; at += window) {
    double sum = 0;
    for (size_t i = at; i < at + window; ++i) sum += double(samples[i]) * samples[i];
    EXPECT_GT(std::sqrt(sum / window) / 32768.0, 0.01) << "quiet at " << at / 2 / rate << " s";
  }
}

}  // namespace
