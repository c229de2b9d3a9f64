// Writes "Duridaz.mid", the demo's background music: a calm piece in D minor
// at 96 beats per minute, about 110 seconds long, for flute, oboe, choir,
// strings, harp, bass and drums (General MIDI). Deterministic: the same bytes
// on every build. Usage: make_music <output path>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "smf_writer.h"

namespace {

const uint16_t kTicksPerQuarter = 480;
const uint32_t kEighth = kTicksPerQuarter / 2;
const uint32_t kSixteenth = kTicksPerQuarter / 4;
const uint32_t kBar = 4 * kTicksPerQuarter;

// Channels and General MIDI programs (numbered from 0) of the parts.
enum Channel { kFlute = 0, kOboe = 1, kChoir = 2, kStrings = 3, kHarp = 4, kBass = 5, kDrums = 9 };

// General MIDI percussion keys on channel 10.
enum Drum {
  kKick = 36,
  kSnare = 38,
  kClosedHat = 42,
  kOpenHat = 46,
  kCrash = 49,
  kRide = 51,
  kLowTom = 45,
  kMidTom = 47,
  kHighTom = 50
};

// A triad: root pitch class (C = 0) and whether its third is major.
struct Chord {
  int root;
  bool major;
};
const Chord Dm{2, false}, Bb{10, true}, F{5, true}, C{0, true}, Gm{7, false}, A{9, true};

// One section of the form: its chords (one per bar), the melody written in
// note names with lengths in eighths ("A4:2", "r:2" for a rest), and the
// textures that play in it.
struct Section {
  std::vector<Chord> chords;
  const char* melody;
  Channel lead;
  bool harmonyBelow;  // the oboe adds the diatonic third under the lead
  enum Drums { kNone, kHalfTime, kGroove, kRideGroove } drums;
  bool bassDrive;
  int dynamics;  // added to every velocity of the section
};

// Deterministic velocity variation, so repeated notes do not sound mechanical.
int Humanise(int spread) {
  static uint32_t state = 0x2545F491u;
  state = state * 1664525u + 1013904223u;
  return int((state >> 16) % uint32_t(2 * spread + 1)) - spread;
}

// "C#5" -> 73 (C4 is middle C, 60); -1 for a rest.
int ParsePitch(const std::string& name) {
  if (name == "r") return -1;
  static const int kSteps[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  int pitch = kSteps[name[0] - 'A'];
  size_t at = 1;
  if (name[at] == '#') ++pitch, ++at;
  if (name[at] == 'b') --pitch, ++at;
  return pitch + 12 * (atoi(name.c_str() + at) + 1);
}

// The diatonic third below a melody note in D minor, with C sharp over the
// dominant (A major): three semitones down if that stays in the scale, else four.
int ThirdBelow(int pitch, const Chord& chord) {
  bool dominant = chord.root == A.root && chord.major;
  auto inScale = [&](int p) {
    int pc = p % 12;
    if (pc == 0) return !dominant;
    if (pc == 1) return dominant;
    return pc == 2 || pc == 4 || pc == 5 || pc == 7 || pc == 9 || pc == 10;
  };
  return inScale(pitch - 3) ? pitch - 3 : pitch - 4;
}

// Plays the section's melody from its first bar at start.
void PlayMelody(SmfTrack* lead, SmfTrack* harmony, const Section& s, uint32_t start) {
  uint32_t tick = start;
  char buffer[1024];
  snprintf(buffer, sizeof buffer, "%s", s.melody);
  for (char* token = strtok(buffer, " "); token; token = strtok(nullptr, " ")) {
    char* colon = strchr(token, ':');
    *colon = 0;
    int pitch = ParsePitch(token);
    uint32_t length = uint32_t(atoi(colon + 1)) * kEighth;
    if (pitch >= 0) {
      // Notes on the beat lean a little harder than those between.
      int accent = (tick % kTicksPerQuarter == 0) ? 6 : 0;
      int velocity = 84 + s.dynamics + accent + Humanise(3);
      lead->Note(tick, length - 20, s.lead, pitch, velocity);
      if (harmony) {
        const Chord& chord = s.chords[((tick - start) / kBar) % s.chords.size()];
        harmony->Note(tick, length - 20, kOboe, ThirdBelow(pitch, chord), velocity - 14);
      }
    }
    tick += length;
  }
}

// Pitch of pitch class pc in the octave starting at low.
int InRange(int pc, int low) { return low + ((pc - low) % 12 + 12) % 12; }

void PlayPad(SmfTrack* t, const Chord& c, uint32_t tick, int dynamics) {
  int third = (c.root + (c.major ? 4 : 3)) % 12, fifth = (c.root + 7) % 12;
  int voices[] = {InRange(c.root, 45), InRange(c.root, 60), InRange(third, 60), InRange(fifth, 60)};
  for (int v : voices) t->Note(tick, kBar - 10, kStrings, v, 58 + dynamics);
}

void PlayArpeggio(SmfTrack* t, const Chord& c, uint32_t tick, int dynamics) {
  int root = InRange(c.root, 50);
  int tones[] = {root, root + 7, root + 12, root + (c.major ? 16 : 15), root + 19, root + 24};
  static const int kOrder[] = {0, 1, 2, 3, 4, 3, 2, 1};
  for (int i = 0; i < 8; ++i)
    t->Note(tick + i * kEighth, kEighth * 3, kHarp, tones[kOrder[i]],
            (i % 2 ? 56 : 66) + dynamics + Humanise(4));
}

void PlayBass(SmfTrack* t, const Chord& c, uint32_t tick, bool drive, int dynamics) {
  int root = InRange(c.root, 33);
  if (!drive) {
    t->Note(tick, kBar - 40, kBass, root, 80 + dynamics);
    return;
  }
  // Dotted quarter, eighth, then fifth, octave and fifth: a rocking figure.
  struct {
    int at, length, interval, velocity;
  } const kFigure[] = {{0, 3, 0, 96}, {3, 1, 0, 78}, {4, 2, 7, 88}, {6, 1, 12, 80}, {7, 1, 7, 76}};
  for (const auto& n : kFigure)
    t->Note(tick + n.at * kEighth, n.length * kEighth - 30, kBass, root + n.interval,
            n.velocity + dynamics + Humanise(3));
}

// One bar of drums. A fill takes over the second half of the bar with a run
// down the toms into the next section.
void PlayDrums(SmfTrack* t, Section::Drums style, bool fill, uint32_t tick, int dynamics) {
  auto hit = [&](int sixteenth, int key, int velocity) {
    t->Note(tick + sixteenth * kSixteenth, kSixteenth, kDrums, key,
            velocity + dynamics + Humanise(5));
  };
  const int steps = fill ? 8 : 16;
  if (style != Section::kNone) {
    const int cymbal = style == Section::kRideGroove ? kRide : kClosedHat;
    for (int s = 0; s < steps; s += (style == Section::kHalfTime ? 4 : 2))
      hit(s, (s == 14 && style == Section::kGroove) ? kOpenHat : cymbal, s % 4 ? 58 : 74);
    hit(0, kKick, 100);
    if (style == Section::kHalfTime) {
      if (!fill) hit(8, kSnare, 72);
    } else {
      hit(4, kSnare, 92);
      hit(6, kKick, 82);
      if (!fill) hit(8, kKick, 88), hit(10, kKick, 76), hit(12, kSnare, 94);
    }
  }
  if (fill) {
    static const int kToms[] = {kHighTom, kHighTom, kMidTom, kMidTom,
                                kLowTom,  kLowTom,  kSnare,  kSnare};
    for (int i = 0; i < 8; ++i) hit(8 + i, kToms[i], 74 + 3 * i);
  }
}

std::vector<Section> Form() {
  const char* themeA =
      "A4:2 D5:2 E5:1 F5:1 E5:1 D5:1  F5:3 E5:1 D5:2 C5:1 D5:1  C5:2 A4:2 C5:1 F5:2 E5:1 "
      "E5:4 r:2 C5:1 D5:1  F5:2 A5:2 G5:1 F5:1 E5:1 F5:1  D5:3 F5:1 Bb5:2 A5:1 G5:1 "
      "G5:3 F5:1 D5:2 Bb4:2  A4:2 C#5:2 E5:4";
  const char* themeB =
      "Bb5:3 A5:1 G5:2 D5:2  F5:3 E5:1 D5:2 A4:2  Bb4:2 D5:2 F5:2 Bb5:2  A5:4 G5:2 E5:2 "
      "Bb5:3 A5:1 G5:2 Bb5:2  A5:3 G5:1 F5:2 D5:2  E5:2 G5:2 C#5:2 E5:2  D5:6 r:2";
  const char* bridge = "D5:8  E5:8  F5:4 E5:4  D5:6 r:2";
  const char* intro = "r:8 r:8 r:8 r:4 F4:2 G4:2";
  const char* outro = "A4:2 D5:2 E5:1 F5:1 E5:1 D5:1  F5:4 D5:4  E5:4 C#5:2 E5:2  D5:8";
  std::vector<Chord> a{Dm, Bb, F, C, Dm, Bb, Gm, A}, b{Gm, Dm, Bb, A, Gm, Dm, A, Dm};
  return {
      {{Dm, Bb, F, C}, intro, kFlute, false, Section::kNone, false, -6},
      {a, themeA, kFlute, false, Section::kGroove, true, 0},
      {b, themeB, kFlute, false, Section::kRideGroove, true, 4},
      {a, themeA, kFlute, true, Section::kGroove, true, 2},
      {{Bb, C, Dm, Dm}, bridge, kChoir, false, Section::kHalfTime, false, -8},
      {b, themeB, kFlute, true, Section::kRideGroove, true, 6},
      {{Dm, Bb, A, Dm}, outro, kFlute, false, Section::kHalfTime, false, -6},
  };
}

// Channel set-up at the start: program, volume, pan, reverb and chorus.
void SetUpChannel(SmfTrack* t, int channel, int program, int volume, int pan, int reverb) {
  if (channel != kDrums) t->Program(0, channel, program);
  t->Control(0, channel, 7, volume);
  t->Control(0, channel, 10, pan);
  t->Control(0, channel, 91, reverb);
  t->Control(0, channel, 93, channel == kStrings ? 40 : 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: make_music <output.mid>\n");
    return 2;
  }
  SmfTrack conductor("Duridaz"), flute("Flute"), oboe("Oboe"), choir("Choir"), strings("Strings"),
      harp("Harp"), bass("Bass"), drums("Drums");
  conductor.Meta(0, 0x58, std::string{4, 2, 24, 8});  // 4/4
  conductor.Meta(0, 0x59, std::string{char(-1), 1});  // D minor
  conductor.Tempo(0, 96);
  SetUpChannel(&flute, kFlute, 73, 104, 64, 64);
  SetUpChannel(&oboe, kOboe, 68, 84, 44, 60);
  SetUpChannel(&choir, kChoir, 52, 96, 72, 90);
  SetUpChannel(&strings, kStrings, 48, 76, 54, 80);
  SetUpChannel(&harp, kHarp, 46, 88, 84, 64);
  SetUpChannel(&bass, kBass, 33, 100, 64, 24);
  SetUpChannel(&drums, kDrums, 0, 96, 64, 44);

  uint32_t tick = 0;
  const std::vector<Section> form = Form();
  for (size_t i = 0; i < form.size(); ++i) {
    const Section& s = form[i];
    bool fillAtEnd = i + 1 < form.size() && form[i + 1].drums >= Section::kGroove;
    if (tick > 0 && s.drums >= Section::kGroove) drums.Note(tick, kBar, kDrums, kCrash, 96);
    PlayMelody(s.lead == kChoir ? &choir : &flute, s.harmonyBelow ? &oboe : nullptr, s, tick);
    for (size_t bar = 0; bar < s.chords.size(); ++bar) {
      const Chord& c = s.chords[bar];
      bool last = bar + 1 == s.chords.size();
      PlayPad(&strings, c, tick, s.dynamics);
      PlayArpeggio(&harp, c, tick, s.dynamics);
      if (s.drums != Section::kNone || bar >= 2) PlayBass(&bass, c, tick, s.bassDrive, s.dynamics);
      PlayDrums(&drums, s.drums, last && fillAtEnd, tick, s.dynamics);
      tick += kBar;
    }
  }
  // The last bar slows down; the final D minor chord rings out over a cymbal.
  conductor.Tempo(tick - kBar, 88);
  conductor.Tempo(tick - kBar / 2, 80);
  PlayPad(&strings, Dm, tick, 0);
  drums.Note(tick, kBar, kDrums, kCrash, 80);
  bass.Note(tick, kBar, kBass, 38, 84);
  flute.Note(tick, kBar, kFlute, 74, 76);
  uint32_t end = tick + kBar + 2 * kTicksPerQuarter;  // let the reverb tail finish
  for (SmfTrack* t : {&conductor, &flute, &oboe, &choir, &strings, &harp, &bass, &drums})
    t->End(end);

  if (!WriteSmf(argv[1], kTicksPerQuarter,
                {conductor, flute, oboe, choir, strings, harp, bass, drums})) {
    fprintf(stderr, "make_music: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
