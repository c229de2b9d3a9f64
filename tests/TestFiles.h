// Files and logs for every test tier: whole-file reads and writes, what a log
// gained during a test, data files made or removed for one test, a fresh
// working folder, and a wait for a condition.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

inline void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A file in the folder the test program started in, where static
// initialisation opened the module logs, whatever folder a test is in now.
inline const std::string kStartFolder = std::filesystem::current_path().string();
inline std::string StartFolderFile(const std::string& name) { return kStartFolder + "/" + name; }

// A data file shipped next to the program.
inline std::string ShippedFile(const std::string& name) {
  return ReadWholeFile(std::string(SKELV_BUILD_DIR) + "/" + name);
}

// What a log file gains from the time this object is made, so tests that
// share one process see only their own messages.
class LogFile {
 public:
  explicit LogFile(std::string path)
      : m_path(std::move(path)), m_start(ReadWholeFile(m_path).size()) {}
  std::string Added() const {
    const std::string all = ReadWholeFile(m_path);
    return all.size() >= m_start ? all.substr(m_start) : all;
  }

 private:
  std::string m_path;
  size_t m_start;
};

// A file made for one test, and removed again at its end. "dir" makes a
// folder in its place; "missing" makes nothing.
class TestFile {
 public:
  TestFile(std::string path, const std::string& bytes) : m_path(std::move(path)) {
    Remove();
    if (bytes == "dir") {
      mkdir(m_path.c_str(), 0755);
    } else if (bytes != "missing") {
      WriteWholeFile(m_path, bytes);
    }
  }
  ~TestFile() { Remove(); }
  TestFile(const TestFile&) = delete;
  TestFile& operator=(const TestFile&) = delete;

 private:
  void Remove() {
    unlink(m_path.c_str());
    rmdir(m_path.c_str());
  }
  std::string m_path;
};

// A fresh folder that is the working directory while this object lives; the
// module logs stay where static initialisation opened them.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name) {
    std::error_code error;
    m_home = std::filesystem::current_path(error).string();
    m_path = m_home + "/" + name;
    std::filesystem::remove_all(m_path, error);
    std::filesystem::create_directories(m_path, error);
    if (chdir(m_path.c_str()) != 0) m_path.clear();
  }
  ~ScratchFolder() {
    std::error_code error;
    if (chdir(m_home.c_str()) == 0 && !m_path.empty()) std::filesystem::remove_all(m_path, error);
  }
  const std::string& Path() const { return m_path; }

 private:
  std::string m_home, m_path;
};

// Whether done() came true (checked every millisecond) within the limit.
template <class Done>
bool WaitUntil(Done done, std::chrono::seconds limit = std::chrono::seconds(60)) {
  const auto giveUp = std::chrono::steady_clock::now() + limit;
  for (; !done(); std::this_thread::sleep_for(std::chrono::milliseconds(1)))
    if (std::chrono::steady_clock::now() > giveUp) return false;
  return true;
}
