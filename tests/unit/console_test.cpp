#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "LogFile.h"
#include "System/Win32/CWindow.h"
#include "console/CConsole.h"

namespace {

// Types characters the way the main loop delivers them: WM_CHAR to the window procedure.
class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Console.active = 0;
    InputLine.Clear();
    memset(History.lines, 0, sizeof History.lines);
  }
  void Type(const std::string& keys) {
    for (unsigned char key : keys) EXPECT_EQ(WndProc(nullptr, WM_CHAR, key, 0), 0);
  }
  std::string HistoryLine(int i) const { return std::string(History.lines[i], strnlen(History.lines[i], 80)); }

  LogFile log_{"Console.txt"};
};

TEST_F(ConsoleTest, BackquoteTogglesAndIsNotLoggedAsACharacter) {
  Type("`");
  EXPECT_EQ(Console.IsActive(), 1);
  EXPECT_EQ(log_.Added(), "Console active status: 1\n");
  Type("`");
  EXPECT_EQ(Console.IsActive(), 0);
  EXPECT_EQ(log_.Added(), "Console active status: 1\nConsole active status: 0\n");
}

TEST_F(ConsoleTest, InactiveConsoleIgnoresEverything) {
  Type("ab\r\x1b");
  EXPECT_EQ(Console.IsActive(), 0);
  EXPECT_EQ(InputLine.length, 0u);
  EXPECT_EQ(log_.Added(), "");
}

TEST_F(ConsoleTest, EnterLogsTheLineAndPushesTheFixedEntry) {
  Type("`ab\r");
  EXPECT_EQ(log_.Added(),
            "Console active status: 1\n"
            "Recieved: 'a'\n"
            "Recieved: 'b'\n"
            "Line test: ab\n"
            "In line: test\n"
            "Final line: test\n"
            "Recieved: '\r'\n");
  EXPECT_EQ(InputLine.length, 0u);
  EXPECT_EQ(HistoryLine(19), "test");
  for (int i = 0; i < 19; ++i) EXPECT_EQ(HistoryLine(i), "") << "line " << i;
}

TEST_F(ConsoleTest, EmptyEnterStillPushesAndNextLineStartsAfresh) {
  Type("`\r");
  Type("c\r");
  EXPECT_EQ(log_.Added(),
            "Console active status: 1\n"
            "Line test: \n"
            "In line: test\nFinal line: test\nRecieved: '\r'\n"
            "Recieved: 'c'\n"
            "Line test: c\n"
            "In line: test\nFinal line: test\nRecieved: '\r'\n");
  EXPECT_EQ(HistoryLine(18), "test");
  EXPECT_EQ(HistoryLine(17), "");
}

TEST_F(ConsoleTest, LineKeepsEightyCharactersAndLogsEveryOne) {
  Type("`");
  std::string typed;
  for (int i = 0; i < 85; ++i) typed += (char)('A' + i % 26);
  Type(typed + "\r");
  const std::string log = log_.Added();
  EXPECT_NE(log.find("Line test: " + typed.substr(0, 80) + "\n"), std::string::npos);
  size_t received = 0;
  for (size_t at = log.find("Recieved: '"); at != std::string::npos; at = log.find("Recieved: '", at + 1))
    ++received;
  EXPECT_EQ(received, 86u);  // 85 characters and the carriage return
}

TEST_F(ConsoleTest, SwitchingOffAndOnKeepsTheLine) {
  Type("`ab``c\r");
  EXPECT_NE(log_.Added().find("Line test: abc\n"), std::string::npos);
}

TEST_F(ConsoleTest, ControlAndPercentCharactersAreStoredLikeLetters) {
  Type("`%\b\t\x1b\r");
  EXPECT_EQ(log_.Added(),
            "Console active status: 1\n"
            "Recieved: '%'\n"
            "Recieved: '\\x08'\n"
            "Recieved: '\\x09'\n"
            "Recieved: '\\x1b'\n"
            "Line test: %\\x08\\x09\\x1b\n"
            "In line: test\nFinal line: test\nRecieved: '\r'\n");
}

TEST_F(ConsoleTest, CharacterZeroIsEscapedAndKeptInTheLine) {
  Type("`");
  EXPECT_EQ(WndProc(nullptr, WM_CHAR, 0, 0), 0);
  Type("z");
  EXPECT_EQ(log_.Added(), "Console active status: 1\nRecieved: '\\x00'\nRecieved: 'z'\n");
  EXPECT_EQ(InputLine.length, 2u);
}

TEST_F(ConsoleTest, OnlyTheLowByteOfTheCharacterCodeReachesTheConsole) {
  Type("`");
  EXPECT_EQ(WndProc(nullptr, WM_CHAR, 0x100 + 'q', 0), 0);
  EXPECT_EQ(InputLine.text[0], 'q');
}

TEST_F(ConsoleTest, HistoryScrollsUpAndKeepsTwentyLines) {
  History.Push("one");
  History.Push("two");
  EXPECT_EQ(HistoryLine(18), "one");
  EXPECT_EQ(HistoryLine(19), "two");
  EXPECT_EQ(HistoryLine(17), "");
  for (int i = 0; i < 20; ++i) History.Push("test");
  for (int i = 0; i < 20; ++i) EXPECT_EQ(HistoryLine(i), "test") << "line " << i;
}

// A full 80-character line has no terminator; it is printed as exactly its
// 80 characters and nothing behind it is read.
TEST_F(ConsoleTest, FullLinesArePrintedWithoutReadingPastThem) {
  const std::string longText(85, 'L');
  History.Push(longText.c_str());
  EXPECT_EQ(std::string(History.lines[19], 80), std::string(80, 'L'));
  EXPECT_NE(log_.Added().find("Final line: " + std::string(80, 'L') + "\n"), std::string::npos);

  Type("`");
  Type(std::string(80, 'M'));
  const std::string before = log_.Added();
  Type("\r");
  const std::string after = log_.Added().substr(before.size());
  EXPECT_EQ(after.substr(0, after.find('\n') + 1), "Line test: " + std::string(80, 'M') + "\n");
}

TEST(WindowProcedure, MenuCommandsAreSwallowed) {
  EXPECT_EQ(WndProc(nullptr, WM_COMMAND, 1, 0), 0);
}

}  // namespace
