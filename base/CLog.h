#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "base/Platform.h"

enum : uint8_t { LOG_FILE = 1, LOG_STDOUT = 2, LOG_CONSOLE = 3 };

// The buffer of one message, its terminator included: a longer one is cut.
const size_t kLogMessageBytes = 4096;

// A log sink bound at construction to one destination. Every message is
// formatted into a kLogMessageBytes buffer of its own call and written at once.
// A log file that cannot be created or written is said once on standard error,
// at its first failure, and never to the caller.
class CLog {
 public:
  CLog(uint8_t mode, const char* fileName);
  ~CLog();
  CLog(const CLog&) = delete;
  CLog& operator=(const CLog&) = delete;

  void Print(const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));
  void PrintLevel(int32_t level, const char* format, ...) __attribute__((format(gnu_printf, 3, 4)));

 private:
  void Write(const char* text);
  void WriteFormatted(const char* format, va_list args);
  void ReportFailure(int error);

  uint8_t m_mode;
  HANDLE m_console;
  FILE* m_file;
  const char* m_fileName;
  bool m_failed;
};
