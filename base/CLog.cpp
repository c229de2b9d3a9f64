#include "base/CLog.h"

#include <cstdarg>
#include <cstring>

#include "base/Files.h"

CLog::CLog(uint8_t mode, const char* fileName) : m_mode(mode), m_console(nullptr), m_file(nullptr) {
  if (m_mode == LOG_FILE) {
    // NOTE: a file that cannot be created, or is not a regular file, leaves
    // m_file null; its messages are dropped.
    m_file = OpenRegularFile(fileName, FILE_WRITE_TEXT);
  } else if (m_mode == LOG_CONSOLE) {
    AllocConsole();
    m_console = GetStdHandle(STD_OUTPUT_HANDLE);
  }
}

CLog::~CLog() {
  if (m_mode == LOG_FILE) {
    if (m_file) fclose(m_file);
  } else if (m_mode == LOG_CONSOLE) {
    FreeConsole();
  }
}

// Writes text up to its first zero character to the destination.
void CLog::Write(const char* text) {
  switch (m_mode) {
    case LOG_FILE:
      if (m_file) {
        fputs(text, m_file);
        fflush(m_file);
      }
      break;
    case LOG_STDOUT:
      fputs(text, stdout);
      break;
    case LOG_CONSOLE: {
      DWORD written = 0;
      WriteConsoleA(m_console, text, (DWORD)strlen(text), &written, nullptr);
      break;
    }
    default:
      break;
  }
}

void CLog::WriteFormatted(const char* format, va_list args) {
  char buffer[kLogMessageBytes];
  // vsnprintf cuts an over-long message to 4095 characters and terminates it.
  vsnprintf(buffer, sizeof buffer, format, args);
  Write(buffer);
}

void CLog::Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  WriteFormatted(format, args);
  va_end(args);
}

void CLog::PrintLevel(int32_t level, const char* format, ...) {
  // The prefix goes to the same destination before the message is formatted;
  // in file mode the message's flush pushes both out together.
  char prefix[16];
  snprintf(prefix, sizeof prefix, "%i|", (int)level);
  if (m_mode == LOG_FILE) {
    if (m_file) fputs(prefix, m_file);
  } else {
    Write(prefix);
  }

  va_list args;
  va_start(args, format);
  WriteFormatted(format, args);
  va_end(args);
}
