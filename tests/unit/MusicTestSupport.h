// Helpers for the music tests: a scratch working directory, the audio output
// the tests give FluidSynth through ALSA's configuration (captured with
// AudioCapture.h), and the music log written during a test.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "AudioCapture.h"

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

  // The default output writes raw frames into a file (here: an AudioCapture's FIFO).
  static std::string FileOutput(const std::string& file) { return AlsaFileOutputConfig(file); }
};
