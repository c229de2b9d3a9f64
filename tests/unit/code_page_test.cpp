// Windows-1252, the ANSI code page of key text: each byte is one character
// and back; UTF-8 becomes its bytes, characters the code page lacks left out.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/src/cp1252.h"

TEST(CodePage, Utf8TextBecomesItsBytesAndEachByteIsOneCharacter) {
  for (int byte = 0; byte < 256; ++byte)
    EXPECT_EQ(cp1252::FromUnicode(cp1252::ToUnicode((unsigned char)byte)), byte) << byte;
  const char* kCases[][2] = {
      {"a`\t\xc3\xa4\xc3\xa9\xc3\x9f\xc2\xb4", "a`\t\xe4\xe9\xdf\xb4"},  // ä é ß ´
      {"\xe2\x82\xac\xe2\x80\x9a\xc6\x92\xc5\x92\xe2\x84\xa2\xc5\xb8\xcb\x9c",
       "\x80\x82\x83\x8c\x99\x9f\x98"},
      {"\xc2\x81\xc2\x80", "\x81"},  // U+0081 is unassigned byte 129; U+0080 has none
      {"\xc4\x80\xce\xa9\xe4\xb8\xad\xf0\x9f\x98\x80x\xc3", "x"},  // Ā, Ω, 中, an emoji; a cut one
  };
  char out[16];
  for (const auto& c : kCases) {
    const std::vector<char> text(c[0], c[0] + strlen(c[0]));  // no terminator to read past
    EXPECT_EQ(std::string(out, cp1252::FromUtf8(text.data(), (int)text.size(), out, sizeof out)),
              c[1]);
  }
  EXPECT_EQ(cp1252::FromUtf8("abc", 3, out, 2), 2) << "never more than the capacity";
}
