// A small standard MIDI file writer: type 1, metrical time, one track per part.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class SmfTrack {
 public:
  explicit SmfTrack(const std::string& name) { Meta(0, 0x03, name); }

  void Note(uint32_t tick, uint32_t length, int channel, int pitch, int velocity) {
    velocity = std::clamp(velocity, 1, 127);
    // Note-offs sort before note-ons at the same tick, so repeated notes re-strike.
    Add(tick + length, 0, {uint8_t(0x80 | channel), uint8_t(pitch), 0});
    Add(tick, 2, {uint8_t(0x90 | channel), uint8_t(pitch), uint8_t(velocity)});
  }
  void Program(uint32_t tick, int channel, int program) {
    Add(tick, 1, {uint8_t(0xC0 | channel), uint8_t(program)});
  }
  void Control(uint32_t tick, int channel, int control, int value) {
    Add(tick, 1, {uint8_t(0xB0 | channel), uint8_t(control), uint8_t(value)});
  }
  void Tempo(uint32_t tick, double bpm) {
    uint32_t usPerQuarter = uint32_t(60000000.0 / bpm + 0.5);
    Meta(tick, 0x51,
         std::string{char(usPerQuarter >> 16), char(usPerQuarter >> 8), char(usPerQuarter)});
  }
  void Meta(uint32_t tick, uint8_t type, const std::string& data) {
    std::vector<uint8_t> bytes{0xFF, type};
    AppendLength(&bytes, uint32_t(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
    Add(tick, 1, bytes);
  }
  void End(uint32_t tick) { m_end = std::max(m_end, tick); }

  // The chunk body: delta-timed events in time order, then end of track.
  std::vector<uint8_t> Encode() const {
    std::vector<Event> events = m_events;
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
      return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<uint8_t> out;
    uint32_t now = 0;
    for (const Event& e : events) {
      AppendLength(&out, e.tick - now);
      now = e.tick;
      out.insert(out.end(), e.bytes.begin(), e.bytes.end());
    }
    AppendLength(&out, std::max(m_end, now) - now);
    out.insert(out.end(), {0xFF, 0x2F, 0x00});
    return out;
  }

 private:
  struct Event {
    uint32_t tick;
    int order;
    std::vector<uint8_t> bytes;
  };

  void Add(uint32_t tick, int order, std::vector<uint8_t> bytes) {
    m_events.push_back({tick, order, std::move(bytes)});
    m_end = std::max(m_end, tick);
  }

  // A MIDI variable-length quantity: seven bits per byte, high bit = more.
  static void AppendLength(std::vector<uint8_t>* out, uint32_t value) {
    uint8_t groups[5];
    int n = 0;
    do {
      groups[n++] = value & 0x7F;
      value >>= 7;
    } while (value);
    while (n > 1) out->push_back(groups[--n] | 0x80);
    out->push_back(groups[0]);
  }

  std::vector<Event> m_events;
  uint32_t m_end = 0;
};

// Writes a type 1 file: header chunk, then one chunk per track. False on error.
inline bool WriteSmf(const char* path, uint16_t ticksPerQuarter,
                     const std::vector<SmfTrack>& tracks) {
  auto be32 = [](uint32_t v) {
    return std::vector<uint8_t>{uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  };
  std::vector<uint8_t> file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
  file.push_back(uint8_t(tracks.size() >> 8));
  file.push_back(uint8_t(tracks.size()));
  file.push_back(uint8_t(ticksPerQuarter >> 8));
  file.push_back(uint8_t(ticksPerQuarter));
  for (const SmfTrack& track : tracks) {
    std::vector<uint8_t> body = track.Encode();
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    std::vector<uint8_t> length = be32(uint32_t(body.size()));
    file.insert(file.end(), length.begin(), length.end());
    file.insert(file.end(), body.begin(), body.end());
  }
  FILE* f = fopen(path, "wb");
  if (f == nullptr) return false;
  bool ok = fwrite(file.data(), 1, file.size(), f) == file.size();
  return fclose(f) == 0 && ok;
}
