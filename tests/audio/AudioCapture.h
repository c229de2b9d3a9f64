// Listening to what the music player sends to the default audio output: an
// ALSA configuration whose default device writes raw frames into a FIFO, a
// reader that drains that FIFO no faster than a sound card, and loudness
// facts about what came out. Shared by the unit tests (the player in the test
// process) and the end-to-end tests (the real program, through audio_capture).
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

// ALSA configuration text (for ALSA_CONFIG_PATH): the default output writes
// raw frames into `file` and plays them on a device that discards them.
inline std::string AlsaFileOutputConfig(const std::string& file) {
  return "pcm.!default {\n  type file\n  slave.pcm { type null }\n  file \"" + file +
         "\"\n  format \"raw\"\n}\n";
}

// Reads 16-bit stereo frames at 44100 Hz from a FIFO it creates, no faster
// than a sound card would take them, so the player behind it runs in real time.
class AudioCapture {
 public:
  static constexpr int kRate = 44100;
  static constexpr int kBytesPerFrame = 4;

  explicit AudioCapture(const std::string& fifo) {
    if (mkfifo(fifo.c_str(), 0600) != 0) {
      m_error = "cannot make FIFO " + fifo + ": " + strerror(errno);
      return;
    }
    // Non-blocking, so neither side waits for the other to open.
    m_fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    if (m_fd < 0) {
      m_error = "cannot open FIFO " + fifo + ": " + strerror(errno);
      return;
    }
    // A sound card buffers a few milliseconds, not the pipe's default 64 KiB.
    fcntl(m_fd, F_SETPIPE_SZ, 4096);
    m_thread = std::thread([this] { Run(); });
  }
  ~AudioCapture() { Finish(); }
  AudioCapture(const AudioCapture&) = delete;
  AudioCapture& operator=(const AudioCapture&) = delete;

  // Empty when the FIFO is open and being read.
  const std::string& Error() const { return m_error; }

  // Seconds of sound received so far.
  double Seconds() const { return double(m_bytes) / (kRate * kBytesPerFrame); }

  // The writer opened the FIFO, wrote, and closed it again.
  bool WriterClosed() const { return m_writerClosed; }

  // Takes the rest of what was written and stops; the writer must be closed.
  const std::vector<int16_t>& Finish() {
    m_done = true;
    if (m_thread.joinable()) m_thread.join();
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
    return m_samples;
  }

 private:
  void Run() {
    using Clock = std::chrono::steady_clock;
    const double bytesPerSecond = double(kRate) * kBytesPerFrame;
    Clock::time_point start;
    bool started = false;
    std::vector<char> bytes;
    char buffer[8192];
    for (;;) {
      size_t room = sizeof buffer;
      if (started && !m_done) {
        // The device takes what it has played so far plus 20 ms of buffer.
        double seconds = std::chrono::duration<double>(Clock::now() - start).count() + 0.02;
        double allowed = seconds * bytesPerSecond - double(bytes.size());
        if (allowed < kBytesPerFrame) {
          std::this_thread::sleep_for(std::chrono::milliseconds(2));
          continue;
        }
        room = std::min(room, size_t(allowed) & ~size_t(kBytesPerFrame - 1));
      }
      ssize_t n = read(m_fd, buffer, room);
      if (n > 0) {
        if (!started) start = Clock::now(), started = true;
        bytes.insert(bytes.end(), buffer, buffer + n);
        m_bytes = bytes.size();
      } else if (n == 0 && started) {
        m_writerClosed = true;  // end of file: the player closed its output
        break;
      } else if (m_done) {
        break;  // nothing more will come: the writer has closed
      } else {
        // Nothing yet: no writer has opened the FIFO, or it has nothing ready.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    }
    m_samples.resize(bytes.size() / 2);
    memcpy(m_samples.data(), bytes.data(), m_samples.size() * 2);
  }

  std::string m_error;
  int m_fd = -1;
  std::atomic<bool> m_done{false}, m_writerClosed{false};
  std::atomic<size_t> m_bytes{0};
  std::thread m_thread;
  std::vector<int16_t> m_samples;
};

// Loudness facts about interleaved 16-bit stereo samples.
struct AudioFacts {
  double seconds = 0;        // length
  double firstSound = -1;    // when the level first passes -30 dBFS; -1: never
  int peak = 0;              // largest magnitude
  double rmsAfterStart = 0;  // RMS of the half second after firstSound, 0..1
  size_t fullScale = 0;      // samples at the limits: clipping

  static AudioFacts Of(const std::vector<int16_t>& s, int rate) {
    AudioFacts f;
    f.seconds = s.size() / 2.0 / rate;
    size_t first = s.size();
    for (size_t i = 0; i < s.size(); ++i) {
      int a = std::abs(int(s[i]));
      f.peak = std::max(f.peak, a);
      if (a >= 32767) ++f.fullScale;
      if (a > 1036 && first == s.size()) first = i;
    }
    if (first == s.size()) return f;
    f.firstSound = first / 2.0 / rate;
    size_t end = std::min(s.size(), first + size_t(rate));  // 0.5 s of stereo
    double sum = 0;
    for (size_t i = first; i < end; ++i) sum += double(s[i]) * s[i];
    f.rmsAfterStart = std::sqrt(sum / double(end - first)) / 32768.0;
    return f;
  }

  // What is wrong with these facts as background music that has just been
  // started: one short sentence each; empty when it sounds right.
  std::vector<std::string> MusicFaults() const {
    std::vector<std::string> faults;
    if (firstSound < 0) return {"nothing audible was played"};
    if (firstSound >= 1.0) faults.push_back("the music started late");
    if (rmsAfterStart <= 0.003) faults.push_back("the music is too quiet");  // about -50 dBFS
    if (peak >= 32000) faults.push_back("the music is too loud");
    if (fullScale > 0) faults.push_back("the music clips");
    return faults;
  }
};
