#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "System/Win32/CWindow.h"
#include "TestFiles.h"
#include "console/CConsole.h"

namespace {

// Typed characters reach the console the way the main loop delivers them:
// WM_CHAR to the window procedure. Each row starts with the console off, an
// empty line and an empty history; `history` is how many of the newest
// history lines hold "test" (the ones above them stay empty).
TEST(Console, TypedSequencesGiveTheirExactLog) {
  struct Case {
    const char* name;
    std::string keys, log;
    int history;
  };
  const std::string on = "Console active status: 1\n", off = "Console active status: 0\n";
  const auto typed = [](const std::string& chars) {
    std::string log;
    for (char c : chars) log += std::string("Recieved: '") + c + "'\n";
    return log;
  };
  const std::string enter = "\nIn line: test\nFinal line: test\nRecieved: '\r'\n";
  std::string letters;
  for (int i = 0; i < 85; ++i) letters += (char)('A' + i % 26);
  const Case kCases[] = {
      {"keys do nothing while the console is off", "ab\r\x1b", "", 0},
      {"Enter commits the line; the backquote is never a character", "a`ab\r`",
       on + typed("ab") + "Line test: ab" + enter + off, 1},
      {"switching off and on keeps the line", "`~``b\r",
       on + typed("~") + off + on + typed("b") + "Line test: ~b" + enter, 1},
      // The second Enter commits an empty line, which goes into the history too.
      {"a line keeps 80 characters; Enter empties it", "`" + letters + "\r\r",
       on + typed(letters) + "Line test: " + letters.substr(0, 80) + enter + "Line test: " + enter,
       2},
      {"control characters are stored and logged escaped, code 0 and DEL too",
       std::string("`%\b\x1b\0\x7fz\r", 8),
       on + "Recieved: '%'\nRecieved: '\\x08'\nRecieved: '\\x1b'\nRecieved: '\\x00'\n" +
           "Recieved: '\\x7f'\nRecieved: 'z'\nLine test: %\\x08\\x1b\\x00\\x7fz" + enter,
       1},
      {"a backslash and Windows-1252's five C1 codes are escaped, its signs and letters are not",
       "`\\\x80\x81\x9f\xe9\r",
       on + "Recieved: '\\x5c'\nRecieved: '\x80'\nRecieved: '\\x81'\n" + typed("\x9f\xe9") +
           "Line test: \\x5c\x80\\x81\x9f\xe9" + enter,
       1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Console.active = 0;
    InputLine.Clear();
    memset(History.lines, 0, sizeof History.lines);
    LogFile log("Console.txt");
    for (unsigned char key : c.keys) EXPECT_EQ(WndProc(nullptr, WM_CHAR, key, 0), 0);
    EXPECT_EQ(log.Added(), c.log);
    for (int i = 0; i < 20; ++i)  // 20 lines, the newest last
      EXPECT_EQ(std::string(History.lines[i], strnlen(History.lines[i], 80)),
                i >= 20 - c.history ? "test" : "")
          << "history line " << i;
  }
}

}  // namespace
