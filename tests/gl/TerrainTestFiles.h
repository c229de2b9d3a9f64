// Data files made by a test in its working directory, removed again when the
// test ends, so every test states exactly which files exist.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

class TestFile {
 public:
  // Writes the bytes to the path.
  TestFile(std::string path, const std::vector<unsigned char>& bytes) : path_(std::move(path)) {
    FILE* file = fopen(path_.c_str(), "wb");
    if (file) {
      fwrite(bytes.data(), 1, bytes.size(), file);
      fclose(file);
    }
  }
  // Makes sure nothing of that name exists.
  static TestFile Missing(std::string path) { return TestFile(std::move(path)); }
  // A directory in its place: it opens, but reading it fails.
  static TestFile Unreadable(std::string path) {
    TestFile file(std::move(path));
    mkdir(file.path_.c_str(), 0755);
    return file;
  }
  TestFile(TestFile&& other) : path_(std::move(other.path_)) { other.path_.clear(); }
  ~TestFile() { Remove(); }

 private:
  explicit TestFile(std::string path) : path_(std::move(path)) { Remove(); }
  void Remove() {
    if (path_.empty()) return;
    unlink(path_.c_str());
    rmdir(path_.c_str());
  }
  std::string path_;
};

// count bytes, byte n = (n * step + offset) mod 256.
inline std::vector<unsigned char> PatternBytes(size_t count, int step, int offset) {
  std::vector<unsigned char> bytes(count);
  for (size_t n = 0; n < count; ++n) bytes[n] = (unsigned char)((n * step + offset) % 256);
  return bytes;
}
