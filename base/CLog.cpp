#include "base/CLog.h"

#include <direct.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "base/Files.h"

CLog::CLog(uint8_t mode, const char* fileName)
    : m_mode(mode), m_console(nullptr), m_file(nullptr), m_fileName(fileName), m_failed(false) {
  if (m_mode == LOG_FILE) {
    // NOTE: a file that cannot be created, or is not a regular file, leaves
    // m_file null; its messages are dropped.
    m_file = OpenRegularFile(fileName, FILE_WRITE_TEXT);
    if (!m_file) ReportFailure(errno);
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

// The user learns why a log is missing or cut short (a read-only or full
// folder); the run goes on. An error of 0 is a file that is not a regular one.
void CLog::ReportFailure(int error) {
  if (m_failed) return;
  m_failed = true;
  char folder[1024];
  if (!_getcwd(folder, sizeof folder)) strcpy(folder, ".");
  fprintf(stderr, "cannot write %s in %s: %s\n", m_fileName, folder,
          error ? strerror(error) : "not a regular file");
}

// Writes text up to its first zero character to the destination.
void CLog::Write(const char* text) {
  switch (m_mode) {
    case LOG_FILE:
      if (m_file && (fputs(text, m_file) == EOF || fflush(m_file) == EOF)) ReportFailure(errno);
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
