#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

// The system's headers first: they pick the Win32 names before GLX pulls in GL.
#include "render/CRenderer.h"
#include "tests/unit/LogFile.h"
#include "GlContext.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

TEST(DriverLog, NamesTheDriverAndCutsTheExtensionListAfterAWholeName) {
  GlContext gl;
  ASSERT_TRUE(gl.ok());
  LogFile log("OpenGL.txt");
  CRenderer::LogDriverInfo();
  const std::string added = log.Added();
  ASSERT_EQ(added.back(), '\n');
  const std::vector<std::string> lines = Lines(added);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "OpenGL Driver Info");
  EXPECT_EQ(lines[1], std::string("Vendor: ") + (const char*)glGetString(GL_VENDOR));
  EXPECT_EQ(lines[2], std::string("Renderer: ") + (const char*)glGetString(GL_RENDERER));
  EXPECT_EQ(lines[3], std::string("Version: ") + (const char*)glGetString(GL_VERSION));

  const std::string prefix = "Extensions: ";
  ASSERT_EQ(lines[4].compare(0, prefix.size(), prefix), 0);
  EXPECT_LE(lines[4].size() + 1, 4095u);  // with its line end, within one log message
  const std::vector<std::string> all = Words((const char*)glGetString(GL_EXTENSIONS));
  const std::vector<std::string> logged = Words(lines[4].substr(prefix.size()));
  ASSERT_LE(logged.size(), all.size());
  ASSERT_FALSE(logged.empty());
  for (size_t i = 0; i < logged.size(); ++i) ASSERT_EQ(logged[i], all[i]) << i;
  if (logged.size() < all.size()) {
    // The next name would not have fitted.
    EXPECT_GT(lines[4].size() + 1 + all[logged.size()].size() + 1, 4095u);
  }
}

TEST(DriverLog, WithoutAContextEveryStringIsWrittenAsNull) {
  LogFile log("OpenGL.txt");
  CRenderer::LogDriverInfo();
  EXPECT_EQ(log.Added(),
            "OpenGL Driver Info\n"
            "Vendor: (null)\n"
            "Renderer: (null)\n"
            "Version: (null)\n"
            "Extensions: (null)\n");
}

}  // namespace
