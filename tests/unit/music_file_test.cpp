// The generated "Duridaz.mid": a well-formed, deterministic type 1 file with
// the parts of a small band, long enough, and rendered through FluidSynth
// with the platform's settings and soundfont: audible, steady and unclipped.
#include <map>
#include <set>

#include "MusicTestSupport.h"
#include "platform/src/fluidsynth_setup.h"

namespace {

const std::string kMusicPath = SKELV_BUILD_DIR "/Duridaz.mid";

struct NoteOn {
  uint32_t tick;
  int channel, pitch;
};

// What a reading of the whole file found.
struct MidiSummary {
  int format = -1, tracks = 0, division = 0;
  std::map<uint32_t, uint32_t> tempo;  // tick -> microseconds per quarter note
  std::map<int, int> programs;         // channel -> program
  std::vector<NoteOn> notes;
  uint32_t lastTick = 0;
  std::string error;

  double Seconds() const {
    double seconds = 0;
    uint32_t tick = 0, usPerQuarter = 500000;
    for (const auto& change : tempo) {
      seconds += double(change.first - tick) * usPerQuarter / 1e6 / division;
      tick = change.first, usPerQuarter = change.second;
    }
    return seconds + double(lastTick - tick) * usPerQuarter / 1e6 / division;
  }
};

uint32_t Be(const std::string& d, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | (unsigned char)d[at + i];
  return v;
}

// Reads every event of every track, the way a strict player would.
MidiSummary Summarise(const std::string& d) {
  MidiSummary s;
  if (d.size() < 14 || d.compare(0, 4, "MThd") != 0) return s.error = "no header", s;
  s.format = int(Be(d, 8, 2)), s.tracks = int(Be(d, 10, 2)), s.division = int(Be(d, 12, 2));
  size_t at = 14;
  for (int t = 0; t < s.tracks; ++t) {
    if (at + 8 > d.size() || d.compare(at, 4, "MTrk") != 0) return s.error = "track header", s;
    size_t end = at + 8 + Be(d, at + 4, 4), p = at + 8;
    if (end > d.size()) return s.error = "track length", s;
    uint32_t tick = 0;
    bool ended = false;
    auto byte = [&]() -> unsigned { return p < end ? (unsigned char)d[p++] : 0x100; };
    auto number = [&]() {
      uint32_t v = 0;
      for (unsigned b = 0x80; b & 0x80;) b = byte(), v = v << 7 | (b & 0x7F);
      return v;
    };
    while (p < end && !ended) {
      tick += number();
      unsigned status = byte();
      if (status == 0xFF) {
        unsigned type = byte();
        uint32_t length = number();
        if (type == 0x51) s.tempo[tick] = Be(d, p, 3);
        ended = type == 0x2F;
        p += length;
      } else if (status >= 0x80 && status < 0xF0) {
        int channel = status & 0x0F, kind = status >> 4;
        unsigned a = byte(), b = (kind == 0xC || kind == 0xD) ? 0 : byte();
        if (a > 0x7F || b > 0x7F) return s.error = "data byte", s;
        if (kind == 0xC) s.programs[channel] = int(a);
        if (kind == 0x9 && b > 0) s.notes.push_back({tick, channel, int(a)});
      } else {
        return s.error = "status byte", s;
      }
    }
    if (!ended || p != end) return s.error = "end of track", s;
    s.lastTick = std::max(s.lastTick, tick);
    at = end;
  }
  return s;
}

TEST(MusicFile, IsAWellFormedPieceForABandWithDrums) {
  MidiSummary s = Summarise(ReadWholeFile(kMusicPath));
  ASSERT_EQ("", s.error);
  EXPECT_EQ(1, s.format);
  EXPECT_GE(s.tracks, 5);
  EXPECT_GE(s.programs.size(), 4u) << "General MIDI instruments for the parts";
  EXPECT_EQ(0u, s.programs.count(9)) << "channel 10 keeps its drum kit";
  std::map<int, int> notesPerChannel;
  std::set<int> melodicPitches;
  for (const NoteOn& n : s.notes) {
    ++notesPerChannel[n.channel];
    if (n.channel != 9) melodicPitches.insert(n.pitch);
  }
  EXPECT_GE(notesPerChannel[9], 200) << "percussion";
  EXPECT_GE(notesPerChannel.size(), 5u);
  EXPECT_GE(melodicPitches.size(), 20u);
  printf("%.1f s, %zu notes\n", s.Seconds(), s.notes.size());
  EXPECT_GE(s.Seconds(), 90.0);
  EXPECT_LE(s.Seconds(), 180.0);
}

TEST(MusicFile, GeneratorIsDeterministic) {
  ScratchDirectory dir("MusicFile_Generator");
  std::string command = SKELV_BUILD_DIR "/make_music again.mid";
  ASSERT_EQ(0, std::system(command.c_str()));
  EXPECT_TRUE(ReadWholeFile(kMusicPath) == ReadWholeFile("again.mid"));
}

// Renders the whole piece offline. Half the output rate keeps the test quick;
// levels come out within about 2 dB of the real rate's, so the limits leave
// that much room.
TEST(MusicFile, SoundsSteadyAndUnclippedThroughFluidSynth) {
  const int rate = 22050, block = 1024;
  fluid_settings_t* settings = FluidNewSettings();
  fluid_settings_setstr(settings, "player.timing-source", "sample");
  fluid_settings_setnum(settings, "synth.sample-rate", rate);
  fluid_synth_t* synth = new_fluid_synth(settings);
  std::string soundFont = FluidFindGmSoundFont(settings);
  ASSERT_FALSE(soundFont.empty()) << "no General MIDI soundfont installed";
  ASSERT_NE(FLUID_FAILED, fluid_synth_sfload(synth, soundFont.c_str(), 1));
  fluid_player_t* player = new_fluid_player(synth);
  ASSERT_EQ(FLUID_OK, fluid_player_add(player, kMusicPath.c_str()));
  fluid_player_play(player);

  std::vector<int16_t> samples;
  std::vector<int16_t> buffer(2 * block);
  while (fluid_player_get_status(player) == FLUID_PLAYER_PLAYING &&
         samples.size() < 2u * rate * 300) {
    fluid_synth_write_s16(synth, block, buffer.data(), 0, 2, buffer.data(), 1, 2);
    samples.insert(samples.end(), buffer.begin(), buffer.end());
  }
  delete_fluid_player(player);
  delete_fluid_synth(synth);
  delete_fluid_settings(settings);

  AudioFacts audio = AudioFacts::Of(samples, rate);
  printf("rendered %.1f s, first sound at %.3f s, peak %d\n", audio.seconds, audio.firstSound,
         audio.peak);
  EXPECT_GE(audio.seconds, 90.0);
  EXPECT_GE(audio.firstSound, 0.0);
  EXPECT_LT(audio.firstSound, 1.0);
  EXPECT_LT(audio.peak, 26000) << "no headroom";
  EXPECT_GT(audio.peak, 6500) << "too quiet";
  // No gap: every 2.5-second window until the last bars carries the music.
  const size_t window = 2 * rate * 5 / 2;
  for (size_t at = 0; at + window <= size_t(2 * rate * 100); at += window) {
    double sum = 0;
    for (size_t i = at; i < at + window; ++i) sum += double(samples[i]) * samples[i];
    double rms = std::sqrt(sum / window) / 32768.0;
    EXPECT_GT(rms, 0.01) << "quiet at " << at / 2 / rate << " s";  // -40 dBFS
  }
}

}  // namespace
