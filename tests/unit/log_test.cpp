#include <gtest/gtest.h>

#include <functional>

#include "TestFiles.h"
#include "base/CLog.h"

namespace {

TEST(LogFile, WritesEachMessageAsFormatted) {
  struct Case {
    const char* name;
    std::function<void(CLog&)> write;
    std::string want;
    uint8_t mode = LOG_FILE;  // the other modes write to the standard output
  };
  const std::string x(10000, 'x');
  const Case kCases[] = {
      {"percent signs kept", [](CLog& l) { l.Print("'%c' 100%% %s\n", '%', "%d%n"); },
       "'%' 100% %d%n\n"},
      {"zero character ends the message",
       [](CLog& l) { l.Print("Recieved: '%c'\n", 0), l.Print("Recieved: '%c'\n", 'a'); },
       "Recieved: 'Recieved: 'a'\n"},
      {"long message cut to 4095", [&](CLog& l) { l.Print("%s\n", x.c_str()), l.Print("next\n"); },
       std::string(4095, 'x') + "next\n"},
      {"level prefix",
       [](CLog& l) { l.PrintLevel(1, "[%i] Entering.\n", 32), l.PrintLevel(-7, "x\n"); },
       "1|[32] Entering.\n-7|x\n"},
      {"a new run empties the log", [](CLog&) {}, ""},
      {"standard output", [](CLog& l) { l.PrintLevel(2, "to %s\n", "stdout"); }, "2|to stdout\n",
       LOG_STDOUT},
      {"console", [](CLog& l) { l.PrintLevel(3, "to %s\n", "console"); }, "3|to console\n",
       LOG_CONSOLE},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    WriteWholeFile("log.txt", "from the previous run\n");
    testing::internal::CaptureStdout();
    std::string file;
    {
      CLog log(c.mode, "log.txt");
      c.write(log);
      // Read while the log is open: a process killed right after logging,
      // with no chance to flush or close, leaves every message behind.
      file = ReadWholeFile("log.txt");
    }
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(c.mode == LOG_FILE ? file : out, c.want);
  }
  // The console's own answer, which the log leaves unread: all of it written.
  testing::internal::CaptureStdout();
  DWORD written = 0;
  EXPECT_TRUE(WriteConsoleA(GetStdHandle(STD_OUTPUT_HANDLE), "ab", 2, &written, nullptr));
  EXPECT_EQ(testing::internal::GetCapturedStdout() + std::to_string(written), "ab2");
}

// Its messages go nowhere: not to the standard output, not into a file of
// another name or folder.
TEST(LogFile, FileThatCannotBeCreatedDropsMessagesQuietly) {
  ScratchFolder folder("uncreatable");
  testing::internal::CaptureStdout();
  {
    CLog log(LOG_FILE, "no_such_folder/log.txt");
    log.PrintLevel(1, "dropped %i\n", 1);
    log.Print("dropped\n");
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

}  // namespace
