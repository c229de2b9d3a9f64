// Helpers for the music tests: a scratch working directory, the audio output
// the tests give FluidSynth through ALSA's configuration, a paced capture of
// what is played, and the music log written during a test.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

inline std::string CurrentDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? buffer : "";
}

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A fresh folder that is the working directory for one test; the module
// logs stay where static initialisation opened them.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const std::string& name) : m_home(CurrentDirectory()) {
    m_path = m_home + "/" + name;
    std::system(("rm -rf '" + m_path + "'").c_str());
    mkdir(m_path.c_str(), 0755);
    EXPECT_EQ(0, chdir(m_path.c_str()));
  }
  ~ScratchDirectory() {
    EXPECT_EQ(0, chdir(m_home.c_str()));
    std::system(("rm -rf '" + m_path + "'").c_str());
  }
  const std::string& Path() const { return m_path; }
  const std::string& Home() const { return m_home; }

 private:
  std::string m_home, m_path;
};

// What "MIDI.txt" gains from now on.
class LogTail {
 public:
  explicit LogTail(const std::string& path) : m_path(path), m_start(ReadWholeFile(path).size()) {}
  std::string Text() const { return ReadWholeFile(m_path).substr(m_start); }

 private:
  std::string m_path;
  size_t m_start;
};

// Points ALSA's configuration (and so FluidSynth's default audio output) at
// a file of the test's own for the lifetime of this object.
class AlsaConfig {
 public:
  AlsaConfig(const std::string& path, const std::string& text) {
    WriteWholeFile(path, text);
    setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
  }
  ~AlsaConfig() { unsetenv("ALSA_CONFIG_PATH"); }

  // A machine without any audio output.
  static std::string None() { return "# no devices\n"; }

  // The default output writes raw frames into a file (here: a FIFO).
  static std::string FileOutput(const std::string& file) {
    return "pcm.!default {\n  type file\n  slave.pcm { type null }\n  file \"" + file +
           "\"\n  format \"raw\"\n}\n";
  }
};

// Reads 16-bit stereo frames at 44100 Hz from a FIFO no faster than a sound
// card would take them, so the player behind it runs in real time.
class AudioCapture {
 public:
  static constexpr int kRate = 44100;

  explicit AudioCapture(const std::string& fifo) {
    EXPECT_EQ(0, mkfifo(fifo.c_str(), 0600));
    // Non-blocking, so neither side waits for the other to open.
    m_fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    EXPECT_GE(m_fd, 0);
    // A sound card buffers a few milliseconds, not the pipe's default 64 KiB.
    fcntl(m_fd, F_SETPIPE_SZ, 4096);
    m_thread = std::thread([this] { Run(); });
  }
  ~AudioCapture() { Finish(); }

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
    const double bytesPerSecond = kRate * 4.0;
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
        if (allowed < 4) {
          std::this_thread::sleep_for(std::chrono::milliseconds(2));
          continue;
        }
        room = std::min(room, size_t(allowed) & ~size_t(3));
      }
      ssize_t n = read(m_fd, buffer, room);
      if (n > 0) {
        if (!started) start = Clock::now(), started = true;
        bytes.insert(bytes.end(), buffer, buffer + n);
      } else if (m_done) {
        break;  // nothing more will come: the writer has closed
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    }
    m_samples.resize(bytes.size() / 2);
    memcpy(m_samples.data(), bytes.data(), m_samples.size() * 2);
  }

  int m_fd = -1;
  std::atomic<bool> m_done{false};
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
};
