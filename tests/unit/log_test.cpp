#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "LogFile.h"
#include "log/CLog.h"

namespace {

std::string TempPath(const char* name) {
  return std::string(::testing::TempDir()) + "skelv_log_" + std::to_string(getpid()) + "_" + name;
}

TEST(LogFile, PercentSignsAreWrittenAsTheyAre) {
  const std::string path = TempPath("percent.txt");
  {
    CLog log(LOG_FILE, path.c_str());
    log.Print("Recieved: '%c'\n", '%');
    log.Print("100%% and %s\n", "%d%s%n");
  }
  EXPECT_EQ(ReadWholeFile(path), "Recieved: '%'\n100% and %d%s%n\n");
}

TEST(LogFile, ZeroCharacterEndsTheMessageAndTheNextOneContinuesTheLine) {
  const std::string path = TempPath("zero.txt");
  {
    CLog log(LOG_FILE, path.c_str());
    log.Print("Recieved: '%c'\n", 0);
    log.Print("Recieved: '%c'\n", 'a');
  }
  EXPECT_EQ(ReadWholeFile(path), "Recieved: 'Recieved: 'a'\n");
}

TEST(LogFile, OverlongMessageIsCutTo4095Characters) {
  const std::string path = TempPath("long.txt");
  const std::string longText(10000, 'x');
  {
    CLog log(LOG_FILE, path.c_str());
    log.Print("%s\n", longText.c_str());
    log.Print("next\n");
  }
  EXPECT_EQ(ReadWholeFile(path), std::string(4095, 'x') + "next\n");
}

TEST(LogFile, ExactlyFullMessageIsKept) {
  const std::string path = TempPath("full.txt");
  const std::string text(4094, 'y');
  {
    CLog log(LOG_FILE, path.c_str());
    log.Print("%s\n", text.c_str());
  }
  EXPECT_EQ(ReadWholeFile(path), text + "\n");
}

TEST(LogFile, LevelPrefixComesBeforeTheMessage) {
  const std::string path = TempPath("level.txt");
  {
    CLog log(LOG_FILE, path.c_str());
    log.PrintLevel(1, "[%i] Entering main loop.\n", 32);
    log.PrintLevel(-7, "x\n");
  }
  EXPECT_EQ(ReadWholeFile(path), "1|[32] Entering main loop.\n-7|x\n");
}

TEST(LogFile, SecondStartEmptiesTheFile) {
  const std::string path = TempPath("again.txt");
  {
    FILE* old = fopen(path.c_str(), "w");
    ASSERT_NE(old, nullptr);
    fputs("from the previous run\n", old);
    fclose(old);
  }
  { CLog log(LOG_FILE, path.c_str()); }
  EXPECT_EQ(ReadWholeFile(path), "");
}

TEST(LogFile, FileThatCannotBeCreatedDropsMessagesQuietly) {
  const std::string path = TempPath("no_such_dir") + "/log.txt";
  CLog log(LOG_FILE, path.c_str());
  log.Print("dropped %i\n", 1);
  log.PrintLevel(1, "dropped too\n");
  EXPECT_EQ(access(path.c_str(), F_OK), -1);
}

TEST(LogFile, UnknownModeWritesNothingAndOpensNothing) {
  const std::string path = TempPath("unknown.txt");
  testing::internal::CaptureStdout();
  {
    CLog log(7, path.c_str());
    log.Print("nothing %i\n", 1);
    log.PrintLevel(1, "nothing\n");
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(access(path.c_str(), F_OK), -1);
}

TEST(LogFile, StandardOutputAndConsoleModesWriteToStdout) {
  testing::internal::CaptureStdout();
  {
    CLog out(LOG_STDOUT, "unused.txt");
    out.Print("to %s\n", "stdout");
    fflush(stdout);
    CLog console(LOG_CONSOLE, "unused.txt");
    console.Print("to %s\n", "console");
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "to stdout\nto console\n");
  EXPECT_EQ(access("unused.txt", F_OK), -1);
}

// Every message is on disk as soon as Print returns: a process killed right
// after logging, with no chance to flush or close, leaves all of it behind.
TEST(LogFile, MessagesSurviveAKilledProcess) {
  const std::string path = TempPath("killed.txt");
  fflush(nullptr);
  pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    CLog* log = new CLog(LOG_FILE, path.c_str());
    log->Print("first\n");
    log->PrintLevel(1, "second %s\n", "line");
    raise(SIGKILL);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(ReadWholeFile(path), "first\n1|second line\n");
}

}  // namespace
