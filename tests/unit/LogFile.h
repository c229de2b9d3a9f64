// Reads what a log file gained since this object was made, so tests see only
// their own messages even when several cases share one process.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

class LogFile {
 public:
  explicit LogFile(std::string path) : path_(std::move(path)), start_(ReadWholeFile(path_).size()) {}
  std::string Added() const {
    std::string all = ReadWholeFile(path_);
    return all.size() >= start_ ? all.substr(start_) : all;
  }

 private:
  std::string path_;
  size_t start_;
};
